#pragma once
// A bounded queue with a sending and a receiving end, each owned by one side. Dropping an end
// closes the queue for the other: a receiver sees the end of the stream once the queue is
// empty, a sender learns that nobody listens. A full queue refuses items; it never grows and
// never blocks. The receiver may register a waker that is called, on the sender's thread and
// outside the lock, after each accepted item and when the sending end goes away.
//
// Kept here rather than in util because only the endpoint's users need the close semantics.

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace p2p {

enum class SendResult {
    Sent,
    Full,
    Closed,
};

namespace detail {

template <typename T> struct ChannelState {
    explicit ChannelState(std::size_t cap) : capacity(cap) {}
    std::mutex mutex;
    std::deque<T> items;
    std::size_t capacity;
    bool sender_gone = false;
    bool receiver_gone = false;
    std::function<void()> waker;
};

} // namespace detail

template <typename T> class Receiver;

template <typename T> class Sender {
  public:
    Sender() = default;
    explicit Sender(std::shared_ptr<detail::ChannelState<T>> state) : m_state(std::move(state)) {}
    Sender(Sender&&) noexcept = default;
    Sender& operator=(Sender&& other) noexcept
    {
        if (this != &other) {
            close();
            m_state = std::move(other.m_state);
        }
        return *this;
    }
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;
    ~Sender() { close(); }

    SendResult try_send(T item)
    {
        if (!m_state)
            return SendResult::Closed;
        std::function<void()> waker;
        {
            std::lock_guard lock(m_state->mutex);
            if (m_state->receiver_gone)
                return SendResult::Closed;
            if (m_state->items.size() >= m_state->capacity)
                return SendResult::Full;
            m_state->items.push_back(std::move(item));
            waker = m_state->waker;
        }
        if (waker)
            waker();
        return SendResult::Sent;
    }

    bool is_closed() const
    {
        if (!m_state)
            return true;
        std::lock_guard lock(m_state->mutex);
        return m_state->receiver_gone;
    }

    void close()
    {
        if (!m_state)
            return;
        std::function<void()> waker;
        {
            std::lock_guard lock(m_state->mutex);
            m_state->sender_gone = true;
            waker = std::move(m_state->waker);
            m_state->waker = nullptr;
        }
        m_state.reset();
        if (waker)
            waker();
    }

  private:
    std::shared_ptr<detail::ChannelState<T>> m_state;
};

template <typename T> class Receiver {
  public:
    Receiver() = default;
    explicit Receiver(std::shared_ptr<detail::ChannelState<T>> state) : m_state(std::move(state)) {}
    Receiver(Receiver&&) noexcept = default;
    Receiver& operator=(Receiver&& other) noexcept
    {
        if (this != &other) {
            close();
            m_state = std::move(other.m_state);
        }
        return *this;
    }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;
    ~Receiver() { close(); }

    std::optional<T> try_recv()
    {
        if (!m_state)
            return std::nullopt;
        std::lock_guard lock(m_state->mutex);
        if (m_state->items.empty())
            return std::nullopt;
        T item = std::move(m_state->items.front());
        m_state->items.pop_front();
        return item;
    }

    // True once the sending end is gone and every item has been taken.
    bool is_finished() const
    {
        if (!m_state)
            return true;
        std::lock_guard lock(m_state->mutex);
        return m_state->sender_gone && m_state->items.empty();
    }

    std::size_t size() const
    {
        if (!m_state)
            return 0;
        std::lock_guard lock(m_state->mutex);
        return m_state->items.size();
    }

    void set_waker(std::function<void()> waker)
    {
        if (!m_state)
            return;
        std::lock_guard lock(m_state->mutex);
        m_state->waker = std::move(waker);
    }

    void close()
    {
        if (!m_state)
            return;
        {
            std::lock_guard lock(m_state->mutex);
            m_state->receiver_gone = true;
            m_state->waker = nullptr;
            m_state->items.clear();
        }
        m_state.reset();
    }

  private:
    std::shared_ptr<detail::ChannelState<T>> m_state;
};

template <typename T> std::pair<Sender<T>, Receiver<T>> make_channel(std::size_t capacity)
{
    auto state = std::make_shared<detail::ChannelState<T>>(capacity);
    return {Sender<T>(state), Receiver<T>(state)};
}

} // namespace p2p
