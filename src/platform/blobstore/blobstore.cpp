#include "platform/blobstore/blobstore.h"

#include <mutex>


namespace blobstore {

namespace {

std::mutex installed_mutex;
std::shared_ptr<BlobStore> installed;

constexpr const char* no_store = "no content store is installed";

} // namespace

void set_store(std::shared_ptr<BlobStore> store)
{
    std::lock_guard lock(installed_mutex);
    installed = std::move(store);
}

std::shared_ptr<BlobStore> installed_store()
{
    std::lock_guard lock(installed_mutex);
    return installed;
}

util::Result<Bytes> get(std::string_view id)
{
    auto store = installed_store();
    return store ? store->get(id) : util::fail(no_store);
}

util::Result<BlobId> put(std::span<const std::uint8_t> bytes)
{
    auto store = installed_store();
    return store ? store->put(bytes) : util::fail(no_store);
}

util::Result<BlobId> put_checked(std::span<const std::uint8_t> bytes, std::string_view expected_id)
{
    auto store = installed_store();
    return store ? store->put_checked(bytes, expected_id) : util::fail(no_store);
}

bool has(std::string_view id)
{
    auto store = installed_store();
    return store && store->has(id);
}

BlobState state(std::string_view id)
{
    auto store = installed_store();
    return store ? store->state(id) : BlobState::Unavailable;
}

ImageSize sniff(std::span<const std::uint8_t> bytes)
{
    auto store = installed_store();
    return store ? sniff_image(bytes, store->sniff_window()) : sniff_image(bytes);
}

} // namespace blobstore
