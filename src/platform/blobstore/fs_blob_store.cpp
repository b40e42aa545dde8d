#include "platform/blobstore/fs_blob_store.h"

#include <system_error>
#include <unistd.h>

#include "platform/identity/xdg.h"
#include "platform/util/file.h"
#include "platform/util/sha256.h"

namespace blobstore {

namespace fs = std::filesystem;

bool is_blob_id(std::string_view id)
{
    if (id.size() != 64)
        return false;
    for (char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

FsBlobStore::FsBlobStore(fs::path root, std::uint64_t max_blob_bytes, std::uint64_t max_total_bytes,
                         std::uint64_t max_blobs, std::uint64_t sniff_window)
    : FsBlobStore(std::move(root), Limits{max_blob_bytes, max_total_bytes, max_blobs, sniff_window})
{
}

FsBlobStore::FsBlobStore(fs::path root, Limits limits)
    : m_root(std::move(root))
    , m_limits(limits)
{
}

fs::path FsBlobStore::default_root()
{
    if (auto data_home = identity::xdg::dirs().effective_data_home())
        return *data_home / "ruvo" / "blobs";
    return fs::temp_directory_path() / ("ruvo-blobs-" + std::to_string(::getuid()));
}

fs::path FsBlobStore::path_of(std::string_view id) const
{
    return m_root / std::string(id.substr(0, 2)) / std::string(id);
}

util::Result<Bytes> FsBlobStore::get(std::string_view id)
{
    if (!is_blob_id(id))
        return util::fail("not a content identifier: \"{}\"", id);
    auto bytes = util::read_file(path_of(id), m_limits.max_blob_bytes);
    if (!bytes)
        return util::fail("blob {} is unavailable: {}", id, bytes.error().message);
    if (util::sha256_hex(*bytes) != id)
        return util::fail("blob {} is corrupt: its bytes no longer match its identifier", id);
    return bytes;
}

util::Result<BlobId> FsBlobStore::put(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > m_limits.max_blob_bytes)
        return util::fail("blob of {} bytes is larger than the {}-byte limit", bytes.size(), m_limits.max_blob_bytes);
    return store(bytes, util::sha256_hex(bytes));
}

util::Result<BlobId> FsBlobStore::put_checked(std::span<const std::uint8_t> bytes, std::string_view expected_id)
{
    if (!is_blob_id(expected_id))
        return util::fail("not a content identifier: \"{}\"", expected_id);
    if (bytes.size() > m_limits.max_blob_bytes)
        return util::fail("blob of {} bytes is larger than the {}-byte limit", bytes.size(), m_limits.max_blob_bytes);
    auto id = util::sha256_hex(bytes);
    if (id != expected_id)
        return util::fail("content does not match its identifier {}", expected_id);
    return store(bytes, std::move(id));
}

util::Result<BlobId> FsBlobStore::store(std::span<const std::uint8_t> bytes, BlobId id)
{
    auto path = path_of(id);
    bool account = true;
    {
        std::lock_guard lock(m_mutex);
        std::error_code ec;
        if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) == bytes.size())
            return id;
        if (!m_usage) {
            auto usage = scan_usage();
            if (!usage)
                return std::unexpected(usage.error());
            m_usage = *usage;
        }
        if (m_writing.contains(id)) {
            // Another thread is writing the same bytes; write our copy too, but let it count them.
            account = false;
        } else {
            if (m_usage->blobs + 1 > m_limits.max_blobs)
                return util::fail("content store is full: it holds its limit of {} blobs", m_limits.max_blobs);
            if (m_usage->bytes + bytes.size() > m_limits.max_total_bytes)
                return util::fail("content store is full: {} more bytes would exceed its {}-byte limit",
                                  bytes.size(), m_limits.max_total_bytes);
            m_usage->blobs += 1;
            m_usage->bytes += bytes.size();
            m_writing.insert(id);
        }
    }

    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    auto written = ec ? util::fail("cannot create {}: {}", path.parent_path().string(), ec.message())
                      : util::write_file_atomic(path, bytes);

    std::lock_guard lock(m_mutex);
    if (account) {
        m_writing.erase(id);
        if (!written) {
            m_usage->blobs -= 1;
            m_usage->bytes -= bytes.size();
        }
    }
    if (!written)
        return util::fail("cannot store blob {}: {}", id, written.error().message);
    return id;
}

util::Result<FsBlobStore::Usage> FsBlobStore::scan_usage() const
{
    Usage usage;
    std::error_code ec;
    if (!fs::exists(m_root, ec))
        return usage;
    for (fs::directory_iterator shard(m_root, ec), end; !ec && shard != end; shard.increment(ec)) {
        if (!shard->is_directory(ec))
            continue;
        for (fs::directory_iterator entry(shard->path(), ec); !ec && entry != end; entry.increment(ec)) {
            if (!is_blob_id(entry->path().filename().string()) || !entry->is_regular_file(ec))
                continue;
            usage.blobs += 1;
            usage.bytes += entry->file_size(ec);
        }
    }
    if (ec)
        return util::fail("cannot read the content store at {}: {}", m_root.string(), ec.message());
    return usage;
}

util::Result<EvictionReport> FsBlobStore::evict_unreferenced(const std::unordered_set<std::string>& referenced)
{
    std::lock_guard lock(m_mutex);
    EvictionReport report;
    std::error_code ec;
    if (!fs::exists(m_root, ec))
        return report;
    for (fs::directory_iterator shard(m_root, ec), end; !ec && shard != end; shard.increment(ec)) {
        if (!shard->is_directory(ec))
            continue;
        for (fs::directory_iterator entry(shard->path(), ec); !ec && entry != end; entry.increment(ec)) {
            auto name = entry->path().filename().string();
            bool leftover_temp = name.find(".tmp-") != std::string::npos;
            if (!leftover_temp && (!is_blob_id(name) || referenced.contains(name) || m_writing.contains(name)))
                continue;
            if (leftover_temp && m_writing.contains(name.substr(0, name.find(".tmp-"))))
                continue;
            auto size = entry->file_size(ec);
            if (fs::remove(entry->path(), ec) && !leftover_temp) {
                report.removed += 1;
                report.freed_bytes += size;
            }
        }
    }
    if (ec)
        return util::fail("cannot clean the content store at {}: {}", m_root.string(), ec.message());
    m_usage.reset(); // rescanned on the next put
    return report;
}

bool FsBlobStore::has(std::string_view id)
{
    if (!is_blob_id(id))
        return false;
    std::error_code ec;
    return fs::is_regular_file(path_of(id), ec);
}

BlobState FsBlobStore::state(std::string_view id)
{
    if (!is_blob_id(id))
        return BlobState::Unavailable;
    {
        std::lock_guard lock(m_mutex);
        if (m_writing.contains(std::string(id)))
            return BlobState::Loading;
    }
    return has(id) ? BlobState::Decoding : BlobState::Unavailable;
}

} // namespace blobstore
