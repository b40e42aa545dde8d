#pragma once
// One operation as the change log stores it: compact, with strings kept in the log's arena.

#include <cstdint>

#include "platform/crdt/ids.h"

namespace crdt {

enum class OpKind : std::uint8_t {
    Put = 0,        // scalar into a map key or list element (insert or overwrite)
    MakeMap = 1,    // new nested object, same addressing as Put
    MakeList = 2,
    MakeText = 3,
    Delete = 4,     // map key or list element; removes the values named by pred
    Increment = 5,  // adds to the counters named by pred
    TextInsert = 6, // `len` scalar values after elem, ids counter .. counter + len - 1
    TextDelete = 7, // `len` elements with ids elem.counter .. + len - 1 of elem's actor
};
inline constexpr std::uint8_t op_kind_count = 8;

enum class ValueTag : std::uint8_t { None, String, Int, Uint, Double, Bool, Counter, Timestamp };
inline constexpr std::uint8_t value_tag_count = 8;

struct Op {
    OpId obj;               // the object written; counter 0 is the root map
    OpId elem;              // sequences: reference element (insert) or target element
    std::uint64_t bits = 0; // scalar payload, or the arena offset of a string
    std::uint32_t key = 0;  // maps: interned key
    std::uint32_t len = 0;  // string length in bytes; TextInsert: scalars; TextDelete: count
    std::uint32_t pred_begin = 0;
    std::uint32_t pred_count = 0;
    OpKind kind = OpKind::Put;
    ValueTag tag = ValueTag::None;
    bool insert = false; // sequences: a new element rather than an existing one
    bool seq = false;    // addressed by element (list or text) rather than by map key
    std::uint32_t text_bytes = 0; // TextInsert: UTF-8 length of the inserted text

    // How many op counters the operation uses.
    std::uint64_t width() const { return kind == OpKind::TextInsert ? len : 1; }
};

inline bool is_make(OpKind kind)
{
    return kind == OpKind::MakeMap || kind == OpKind::MakeList || kind == OpKind::MakeText;
}

} // namespace crdt
