#pragma once
// Finds a change by its hash: open addressing over change indices, the hashes themselves staying
// in the change log's vector. Four bytes per slot keep a long history's index small.

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/util/sha256.h"

namespace crdt {

template <typename Hashes>
class HashIndex {
public:
    void insert(const Hashes& hashes, std::uint32_t index)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            grow(hashes);
        place(hashes, index);
        ++m_count;
    }

    std::optional<std::uint32_t> find(const Hashes& hashes, const util::Sha256& hash) const
    {
        if (m_slots.empty())
            return std::nullopt;
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = start(hash) & mask;; i = (i + 1) & mask) {
            std::uint32_t v = m_slots[i];
            if (v == empty)
                return std::nullopt;
            if (hashes[v] == hash)
                return v;
        }
    }

    // Rebuilds from the first `count` hashes.
    void reset(const Hashes& hashes, std::size_t count)
    {
        m_slots.assign(m_slots.size(), empty);
        m_count = 0;
        for (std::size_t i = 0; i < count; ++i)
            insert(hashes, static_cast<std::uint32_t>(i));
    }

private:
    static constexpr std::uint32_t empty = UINT32_MAX;

    static std::size_t start(const util::Sha256& hash)
    {
        std::uint64_t v;
        std::memcpy(&v, hash.data(), sizeof v);
        return static_cast<std::size_t>(v);
    }

    void place(const Hashes& hashes, std::uint32_t index)
    {
        std::size_t mask = m_slots.size() - 1;
        std::size_t i = start(hashes[index]) & mask;
        while (m_slots[i] != empty)
            i = (i + 1) & mask;
        m_slots[i] = index;
    }

    void grow(const Hashes& hashes)
    {
        std::vector<std::uint32_t> old = std::move(m_slots);
        m_slots.assign(old.empty() ? 64 : old.size() * 2, empty);
        for (std::uint32_t v : old)
            if (v != empty)
                place(hashes, v);
    }

    std::vector<std::uint32_t> m_slots;
    std::size_t m_count = 0;
};

} // namespace crdt
