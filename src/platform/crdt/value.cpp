#include "platform/crdt/value.h"

#include <fmt/format.h>

namespace crdt {

const std::string* Value::string() const
{
    auto* s = scalar();
    return s ? std::get_if<std::string>(s) : nullptr;
}

std::optional<std::int64_t> Value::int64() const
{
    auto* s = scalar();
    if (!s)
        return std::nullopt;
    if (auto* i = std::get_if<std::int64_t>(s))
        return *i;
    return std::nullopt;
}

const char* obj_type_name(ObjType type)
{
    switch (type) {
    case ObjType::Map: return "map";
    case ObjType::List: return "list";
    case ObjType::Text: return "text";
    }
    return "?";
}

std::string describe(const Scalar& scalar)
{
    struct Visitor {
        std::string operator()(Null) const { return "null"; }
        std::string operator()(const std::string& s) const { return fmt::format("\"{}\"", s); }
        std::string operator()(std::int64_t i) const { return fmt::format("{}", i); }
        std::string operator()(std::uint64_t u) const { return fmt::format("{}u", u); }
        std::string operator()(double d) const { return fmt::format("{}d", d); }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(Counter c) const { return fmt::format("counter({})", c.value); }
        std::string operator()(Timestamp t) const { return fmt::format("ts({})", t.millis); }
    };
    return std::visit(Visitor{}, scalar);
}

} // namespace crdt
