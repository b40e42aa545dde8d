#pragma once
// The content store: immutable byte strings ("blobs") addressed by the SHA-256 of their bytes,
// written as 64 lower-case hexadecimal digits. Implementations are safe to call from any thread.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/util/result.h"

namespace blobstore {

using Bytes = std::vector<std::uint8_t>;
using BlobId = std::string;

// What a reader of a blob can expect right now.
enum class BlobState {
    Decoding,    // the bytes are stored here and can be read and decoded
    Loading,     // the bytes are being written into the store
    Unavailable, // the store does not have the bytes
};

struct EvictionReport {
    std::uint64_t removed = 0;
    std::uint64_t freed_bytes = 0;
};

class BlobStore {
public:
    virtual ~BlobStore() = default;

    // The stored bytes, verified against their identifier; an error when the blob is missing,
    // unreadable or no longer hashes to its name.
    virtual util::Result<Bytes> get(std::string_view id) = 0;

    // Stores the bytes and returns their identifier. Storing bytes that are already there is
    // cheap and returns the same identifier.
    virtual util::Result<BlobId> put(std::span<const std::uint8_t> bytes) = 0;

    // As put, but refuses bytes that do not hash to `expected_id` (content received from a peer).
    virtual util::Result<BlobId> put_checked(std::span<const std::uint8_t> bytes, std::string_view expected_id) = 0;

    // Removes every blob whose identifier is not in `referenced`.
    virtual util::Result<EvictionReport> evict_unreferenced(const std::unordered_set<std::string>& referenced) = 0;

    virtual bool has(std::string_view id) = 0;

    virtual BlobState state(std::string_view id) = 0;

    // How many leading bytes of a blob are enough to find an image's pixel size.
    virtual std::uint64_t sniff_window() const { return 16'384; }
};

// True for exactly 64 lower-case hexadecimal digits.
bool is_blob_id(std::string_view id);

} // namespace blobstore
