#pragma once
// A cache of decoded pictures by URI. The owner (UI thread) asks for a URI every frame; the
// first request queues it for a worker thread, which fetches the bytes through the loader and
// decodes them; the answer comes back through a bounded queue and is picked up, without
// waiting, by the next call. Pictures above the decode limits are refused.
//
// Threads: every method is for the owning (UI) thread; the loader runs on the worker thread
// and must not touch UI state.

#include "platform/ui/image.h"
#include "platform/ui/image_decode.h"
#include "platform/util/bounded_queue.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace ruvo_ui {

// URI -> encoded bytes, or nothing when the URI cannot be fetched.
using ImageLoader = std::function<std::optional<std::vector<std::uint8_t>>(std::string_view uri)>;

enum class ImageState {
    Pending, // requested, not yet decoded
    Ready,
    Failed, // the loader had nothing, or the bytes did not decode
};

struct ImageLookup {
    ImageState state = ImageState::Pending;
    const Image* image = nullptr; // when Ready; valid until the next poll, is_idle, forget or
                                  // block_until_idle (get never drops a picture)
    std::string error;            // when Failed

    bool ready() const { return state == ImageState::Ready; }
};

struct ImageStoreOptions {
    DecodeLimits limits;
    // Requests waiting for the worker plus answers not yet picked up; more requests wait for
    // a later get.
    std::size_t queue_capacity = 64;
    // Decoded pixels kept; the least recently used pictures go first.
    std::size_t max_cached_bytes = 192u << 20;
};

class ImageStore {
  public:
    static std::unique_ptr<ImageStore> create(ImageLoader loader, ImageStoreOptions options = {});
    ~ImageStore();
    ImageStore(const ImageStore&) = delete;
    ImageStore& operator=(const ImageStore&) = delete;

    // The state of the picture at `uri`, requesting it the first time. Never waits.
    ImageLookup get(std::string_view uri);
    // Picks up finished answers and drops least recently used pictures over the byte budget.
    // is_idle and block_until_idle do it too; get picks up answers but never drops pictures.
    void poll();
    // True when nothing is requested and unanswered.
    bool is_idle();
    // Waits (up to `timeout`) until every request is answered; for headless rendering only.
    // Returns whether it became idle.
    bool block_until_idle(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Drops the picture so the next get loads it again.
    void forget(std::string_view uri);

    std::size_t cached_bytes() const { return m_cached_bytes; }

  private:
    struct Answer {
        std::string uri;
        util::Result<Image> image;
    };
    struct Entry {
        ImageState state = ImageState::Pending;
        Image image;
        std::string error;
        bool queued = false;
        std::uint64_t last_used = 0;
    };

    ImageStore(ImageLoader loader, ImageStoreOptions options);
    void run_worker();
    void enqueue(const std::string& uri, Entry& entry);
    void evict();
    void take_answers();

    ImageLoader m_loader;
    ImageStoreOptions m_options;
    util::BoundedQueue<std::string> m_requests;
    util::BoundedQueue<Answer> m_answers;

    // Owned by the UI thread.
    std::unordered_map<std::string, Entry> m_entries;
    std::size_t m_in_flight = 0;
    std::size_t m_cached_bytes = 0;
    std::uint64_t m_tick = 0;

    // Wakes the worker for new requests and the owner in block_until_idle.
    std::mutex m_wake_mutex;
    std::condition_variable m_wake_worker;
    std::condition_variable m_wake_owner;
    std::uint64_t m_answered = 0; // guarded by m_wake_mutex
    bool m_stop = false;          // guarded by m_wake_mutex
    std::thread m_worker;
};

} // namespace ruvo_ui
