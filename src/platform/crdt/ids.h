#pragma once
// Identities: actors, operation ids and object ids.

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>

namespace crdt {

// A replica's identity: 16 random bytes.
using ActorId = std::array<std::uint8_t, 16>;

ActorId random_actor();
std::string actor_hex(const ActorId& actor);

// An object is named by the id of the operation that created it; the root map has counter 0.
// Object ids are valid in every replica of the document.
struct ObjId {
    std::uint64_t counter = 0;
    ActorId actor{};

    bool is_root() const { return counter == 0; }
    auto operator<=>(const ObjId&) const = default;
    bool operator==(const ObjId&) const = default;
};

inline constexpr ObjId root{};

// Inside one document, actors are numbered in order of appearance; an OpId names an operation
// by its Lamport counter and that number. Counter 0 is never an operation: it names the root
// map as an object and the head of a sequence as a reference.
struct OpId {
    std::uint64_t counter = 0;
    std::uint32_t actor = 0;

    bool is_head() const { return counter == 0; }
    bool operator==(const OpId&) const = default;
};

struct OpIdHash {
    std::size_t operator()(const OpId& id) const
    {
        return std::hash<std::uint64_t>{}(id.counter * 0x9E3779B97F4A7C15ull ^ id.actor);
    }
};

struct ActorIdHash {
    std::size_t operator()(const ActorId& actor) const
    {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, actor.data(), 8);
        std::memcpy(&b, actor.data() + 8, 8);
        return std::hash<std::uint64_t>{}(a ^ (b * 0x9E3779B97F4A7C15ull));
    }
};

} // namespace crdt

template <>
struct std::hash<crdt::ObjId> {
    std::size_t operator()(const crdt::ObjId& id) const
    {
        return crdt::ActorIdHash{}(id.actor) ^ std::hash<std::uint64_t>{}(id.counter);
    }
};
