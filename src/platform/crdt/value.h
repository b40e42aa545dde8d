#pragma once
// The values a document holds: scalars and references to nested objects.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/crdt/ids.h"

namespace crdt {

enum class ObjType : std::uint8_t { Map, List, Text };

// A counter merges concurrent increments by adding them.
struct Counter {
    std::int64_t value = 0;
    bool operator==(const Counter&) const = default;
};

// Milliseconds since the Unix epoch.
struct Timestamp {
    std::int64_t millis = 0;
    bool operator==(const Timestamp&) const = default;
};

using Null = std::monostate;

using Scalar = std::variant<Null, std::string, std::int64_t, std::uint64_t, double, bool, Counter,
                            Timestamp>;

struct ObjectRef {
    ObjType type = ObjType::Map;
    ObjId id;
    bool operator==(const ObjectRef&) const = default;
};

// What a read returns: a nested object or a scalar.
struct Value {
    std::variant<ObjectRef, Scalar> v;

    bool is_object() const { return v.index() == 0; }
    const ObjectRef* object() const { return std::get_if<ObjectRef>(&v); }
    const Scalar* scalar() const { return std::get_if<Scalar>(&v); }
    const std::string* string() const;
    std::optional<std::int64_t> int64() const;
    bool operator==(const Value&) const = default;
};

const char* obj_type_name(ObjType type);

// A readable rendering, used by canonical dumps and test messages.
std::string describe(const Scalar& scalar);

} // namespace crdt
