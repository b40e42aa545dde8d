#include "platform/ui/image_store.h"

namespace ruvo_ui {

std::unique_ptr<ImageStore> ImageStore::create(ImageLoader loader, ImageStoreOptions options)
{
    return std::unique_ptr<ImageStore>(new ImageStore(std::move(loader), options));
}

ImageStore::ImageStore(ImageLoader loader, ImageStoreOptions options)
    : m_loader(std::move(loader)), m_options(options),
      m_requests(std::max<std::size_t>(1, options.queue_capacity)),
      m_answers(std::max<std::size_t>(1, options.queue_capacity))
{
    m_worker = std::thread([this] { run_worker(); });
}

ImageStore::~ImageStore()
{
    {
        std::lock_guard lock(m_wake_mutex);
        m_stop = true;
    }
    m_wake_worker.notify_all();
    m_worker.join();
}

void ImageStore::run_worker()
{
    while (true) {
        std::optional<std::string> uri;
        {
            std::unique_lock lock(m_wake_mutex);
            m_wake_worker.wait(lock, [&] {
                if (m_stop)
                    return true;
                uri = m_requests.try_pop();
                return uri.has_value();
            });
            if (m_stop)
                return;
        }
        util::Result<Image> result = util::fail("no picture at this address");
        if (auto bytes = m_loader ? m_loader(*uri) : std::nullopt)
            result = decode_image(*bytes, m_options.limits);
        // The owner never has more requests out than the answer queue holds, so this fits.
        m_answers.try_push(Answer{std::move(*uri), std::move(result)});
        {
            std::lock_guard lock(m_wake_mutex);
            ++m_answered;
        }
        m_wake_owner.notify_all();
    }
}

void ImageStore::poll()
{
    take_answers();
    evict();
}

void ImageStore::take_answers()
{
    while (auto answer = m_answers.try_pop()) {
        if (m_in_flight > 0)
            --m_in_flight;
        auto it = m_entries.find(answer->uri);
        if (it == m_entries.end())
            continue; // forgotten meanwhile
        Entry& entry = it->second;
        entry.queued = false;
        if (entry.state != ImageState::Pending)
            continue; // a second answer for a URI that was forgotten and asked again
        if (answer->image) {
            entry.state = ImageState::Ready;
            entry.image = std::move(*answer->image);
            m_cached_bytes += entry.image.pixels.size() * 4;
        } else {
            entry.state = ImageState::Failed;
            entry.error = answer->image.error().message;
        }
    }
}

void ImageStore::evict()
{
    while (m_cached_bytes > m_options.max_cached_bytes) {
        auto oldest = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (it->second.state == ImageState::Ready &&
                (oldest == m_entries.end() || it->second.last_used < oldest->second.last_used))
                oldest = it;
        if (oldest == m_entries.end())
            return;
        m_cached_bytes -= oldest->second.image.pixels.size() * 4;
        m_entries.erase(oldest);
    }
}

void ImageStore::enqueue(const std::string& uri, Entry& entry)
{
    if (entry.state != ImageState::Pending || entry.queued)
        return;
    // Keep the answers that can be outstanding within the answer queue's capacity.
    if (m_in_flight < m_answers.capacity() && m_requests.try_push(uri)) {
        entry.queued = true;
        ++m_in_flight;
        m_wake_worker.notify_one();
    }
}

ImageLookup ImageStore::get(std::string_view uri)
{
    // Answers only: eviction waits for poll, so pictures handed out earlier in this frame stay.
    take_answers();
    auto [it, inserted] = m_entries.try_emplace(std::string(uri));
    Entry& entry = it->second;
    entry.last_used = ++m_tick;
    enqueue(it->first, entry);
    switch (entry.state) {
    case ImageState::Ready:
        return {ImageState::Ready, &entry.image, {}};
    case ImageState::Failed:
        return {ImageState::Failed, nullptr, entry.error};
    case ImageState::Pending:
        break;
    }
    return {};
}

bool ImageStore::is_idle()
{
    poll();
    for (const auto& [uri, entry] : m_entries)
        if (entry.state == ImageState::Pending)
            return false;
    return true;
}

bool ImageStore::block_until_idle(std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!is_idle()) {
        // Requests that did not fit in the queue are queued now that answers have drained.
        for (auto& [uri, entry] : m_entries)
            enqueue(uri, entry);
        std::unique_lock lock(m_wake_mutex);
        auto seen = m_answered;
        if (!m_wake_owner.wait_until(lock, deadline,
                                     [&] { return m_answered != seen || m_answers.size() > 0; }))
            return is_idle();
    }
    return true;
}

void ImageStore::forget(std::string_view uri)
{
    auto it = m_entries.find(std::string(uri));
    if (it == m_entries.end())
        return;
    if (it->second.state == ImageState::Ready)
        m_cached_bytes -= it->second.image.pixels.size() * 4;
    m_entries.erase(it);
}

} // namespace ruvo_ui
