#pragma once
// The process-wide content store. set_store installs it once at start-up; every other part of
// the program reaches it through these free functions, from any thread. Before a store is
// installed, every call reports an error (or Unavailable / false).

#include <memory>

#include "platform/blobstore/blob_store.h"
#include "platform/blobstore/sniff.h"

namespace blobstore {

void set_store(std::shared_ptr<BlobStore> store);
std::shared_ptr<BlobStore> installed_store();

util::Result<Bytes> get(std::string_view id);
util::Result<BlobId> put(std::span<const std::uint8_t> bytes);
util::Result<BlobId> put_checked(std::span<const std::uint8_t> bytes, std::string_view expected_id);
bool has(std::string_view id);
BlobState state(std::string_view id);

// The pixel size of encoded image bytes (0 x 0 when they are not a recognised image), looking at
// as many leading bytes as the installed store's sniff window allows.
ImageSize sniff(std::span<const std::uint8_t> bytes);

} // namespace blobstore
