#pragma once
// Object id → object number, by open addressing over the numbers; the ids sit in one vector.
// One probe is usually one cache line, which matters when every operation looks up its object.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/crdt/ids.h"

namespace crdt {

class ObjectIndex {
public:
    // Adds `id` as the next object number, unless present; returns its number either way.
    std::pair<std::uint32_t, bool> insert(OpId id)
    {
        if (auto found = find(id))
            return {*found, false};
        if ((m_ids.size() + 1) * 2 > m_slots.size())
            grow();
        auto number = static_cast<std::uint32_t>(m_ids.size());
        m_ids.push_back(id);
        place(number);
        return {number, true};
    }

    std::optional<std::uint32_t> find(OpId id) const
    {
        if (m_slots.empty())
            return std::nullopt;
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = slot_of(id) & mask;; i = (i + 1) & mask) {
            std::uint32_t v = m_slots[i];
            if (v == empty)
                return std::nullopt;
            if (m_ids[v] == id)
                return v;
        }
    }

    void clear()
    {
        m_slots.clear();
        m_ids.clear();
    }

private:
    static constexpr std::uint32_t empty = UINT32_MAX;

    static std::size_t slot_of(OpId id)
    {
        std::uint64_t h = (id.counter ^ (std::uint64_t{id.actor} << 48)) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h >> 20);
    }

    void place(std::uint32_t number)
    {
        std::size_t mask = m_slots.size() - 1;
        std::size_t i = slot_of(m_ids[number]) & mask;
        while (m_slots[i] != empty)
            i = (i + 1) & mask;
        m_slots[i] = number;
    }

    void grow()
    {
        m_slots.assign(m_slots.empty() ? 16 : m_slots.size() * 2, empty);
        for (std::uint32_t n = 0; n < m_ids.size(); ++n)
            place(n);
    }

    std::vector<std::uint32_t> m_slots;
    std::vector<OpId> m_ids;
};

} // namespace crdt
