#pragma once
// A content store kept as files: <root>/<first two digits>/<identifier>. Writes go to a temporary
// file that is flushed and renamed into place, so a blob is either absent or complete.
//
// Limits, in constructor order:
//   max_blob_bytes   the largest blob a put accepts;
//   max_total_bytes  the most bytes all blobs together may occupy;
//   max_blobs        the most blobs the store may hold;
//   sniff_window     how many leading bytes sniff() examines to find an image's size.
// A put that would break one of the first three is refused with an error; nothing is evicted
// behind the caller's back (evict_unreferenced is how space comes back).

#include <filesystem>
#include <mutex>
#include <optional>
#include <unordered_set>

#include "platform/blobstore/blob_store.h"

namespace blobstore {

struct Limits {
    std::uint64_t max_blob_bytes = 33'554'432;
    std::uint64_t max_total_bytes = 268'435'456;
    std::uint64_t max_blobs = 8'192;
    std::uint64_t sniff_window = 16'384;
};

class FsBlobStore final : public BlobStore {
public:
    FsBlobStore(std::filesystem::path root, std::uint64_t max_blob_bytes, std::uint64_t max_total_bytes,
                std::uint64_t max_blobs, std::uint64_t sniff_window);
    FsBlobStore(std::filesystem::path root, Limits limits);

    // $XDG_DATA_HOME/ruvo/blobs, else ~/.local/share/ruvo/blobs, else a per-user folder in /tmp.
    static std::filesystem::path default_root();

    util::Result<Bytes> get(std::string_view id) override;
    util::Result<BlobId> put(std::span<const std::uint8_t> bytes) override;
    util::Result<BlobId> put_checked(std::span<const std::uint8_t> bytes, std::string_view expected_id) override;
    util::Result<EvictionReport> evict_unreferenced(const std::unordered_set<std::string>& referenced) override;
    bool has(std::string_view id) override;
    BlobState state(std::string_view id) override;
    std::uint64_t sniff_window() const override { return m_limits.sniff_window; }

    const Limits& limits() const { return m_limits; }
    const std::filesystem::path& root() const { return m_root; }

private:
    struct Usage {
        std::uint64_t blobs = 0;
        std::uint64_t bytes = 0;
    };

    std::filesystem::path path_of(std::string_view id) const;
    util::Result<BlobId> store(std::span<const std::uint8_t> bytes, BlobId id);
    util::Result<Usage> scan_usage() const;

    std::filesystem::path m_root;
    Limits m_limits;

    // Guarded by m_mutex: the usage totals (scanned from disk on first need) and the blobs
    // whose writes are in flight.
    std::mutex m_mutex;
    std::optional<Usage> m_usage;
    std::unordered_set<std::string> m_writing;
};

} // namespace blobstore
