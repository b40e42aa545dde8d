#pragma once
// A multi-producer, multi-consumer queue of fixed capacity. A full queue refuses new items
// (try_push returns false) and counts them as dropped; it never grows and never blocks.
// Safe to use from any thread; the lock is held only to move one item in or out.

#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

namespace util {

template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity)
        : m_slots(capacity)
    {
    }

    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    bool try_push(T item)
    {
        std::lock_guard lock(m_mutex);
        if (m_slots.empty() || m_size == m_slots.size()) {
            ++m_dropped;
            return false;
        }
        m_slots[(m_head + m_size) % m_slots.size()] = std::move(item);
        ++m_size;
        return true;
    }

    std::optional<T> try_pop()
    {
        std::lock_guard lock(m_mutex);
        if (m_size == 0)
            return std::nullopt;
        auto item = std::move(*m_slots[m_head]);
        m_slots[m_head].reset();
        m_head = (m_head + 1) % m_slots.size();
        --m_size;
        return item;
    }

    std::size_t size() const
    {
        std::lock_guard lock(m_mutex);
        return m_size;
    }

    std::size_t capacity() const { return m_slots.size(); }

    // Items refused since construction because the queue was full.
    std::size_t dropped() const
    {
        std::lock_guard lock(m_mutex);
        return m_dropped;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::optional<T>> m_slots;
    std::size_t m_head = 0;
    std::size_t m_size = 0;
    std::size_t m_dropped = 0;
};

} // namespace util
