#pragma once
// The actors a document knows, numbered in order of appearance, and the total order of op ids.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/crdt/ids.h"

namespace crdt {

class ActorTable {
public:
    std::uint32_t intern(const ActorId& actor)
    {
        auto [it, inserted] = m_index.try_emplace(actor, static_cast<std::uint32_t>(m_actors.size()));
        if (inserted)
            m_actors.push_back(actor);
        return it->second;
    }
    std::optional<std::uint32_t> find(const ActorId& actor) const
    {
        auto it = m_index.find(actor);
        if (it == m_index.end())
            return std::nullopt;
        return it->second;
    }
    const ActorId& operator[](std::uint32_t index) const { return m_actors[index]; }
    std::size_t size() const { return m_actors.size(); }

    // Lamport order: the counter first, the actor's bytes break ties.
    bool greater(OpId a, OpId b) const
    {
        if (a.counter != b.counter)
            return a.counter > b.counter;
        return a.actor != b.actor && m_actors[a.actor] > m_actors[b.actor];
    }

    ObjId to_public(OpId id) const { return id.counter == 0 ? ObjId{} : ObjId{id.counter, m_actors[id.actor]}; }
    std::optional<OpId> to_internal(const ObjId& id) const
    {
        if (id.counter == 0)
            return OpId{};
        auto a = find(id.actor);
        if (!a)
            return std::nullopt;
        return OpId{id.counter, *a};
    }

private:
    std::vector<ActorId> m_actors;
    std::unordered_map<ActorId, std::uint32_t, ActorIdHash> m_index;
};

} // namespace crdt
