#pragma once
// A slot for the single result of one background request. The worker fulfils it once; the
// owner polls it without blocking. Each result carries the request number it answers, so the
// owner can drop answers to requests it has since replaced.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace util {

template <typename T>
class OneShot {
public:
    struct Tagged {
        std::uint64_t request;
        T value;
    };

    // Called by the worker. A second fulfilment of the same slot is ignored.
    void fulfil(std::uint64_t request, T value)
    {
        std::lock_guard lock(m_mutex);
        if (!m_result)
            m_result = Tagged{request, std::move(value)};
    }

    // Called by the owner; returns the result once, when it has arrived.
    std::optional<Tagged> poll_take()
    {
        std::lock_guard lock(m_mutex);
        auto result = std::move(m_result);
        m_result.reset();
        return result;
    }

    bool ready() const
    {
        std::lock_guard lock(m_mutex);
        return m_result.has_value();
    }

private:
    mutable std::mutex m_mutex;
    std::optional<Tagged> m_result;
};

// The owner keeps the shared slot and hands a copy of the pointer to the worker thread; the
// slot outlives whichever side lets go last.
template <typename T>
using OneShotSlot = std::shared_ptr<OneShot<T>>;

template <typename T>
OneShotSlot<T> make_one_shot()
{
    return std::make_shared<OneShot<T>>();
}

} // namespace util
