#include "doc/access.h"

#include <cmath>
#include <limits>

#include "platform/util/fatal.h"

namespace chat::doc {

namespace {

std::optional<ObjId> object_of(const std::optional<crdt::Value>& value, crdt::ObjType type)
{
    if (!value)
        return std::nullopt;
    const auto* object = value->object();
    if (!object || object->type != type)
        return std::nullopt;
    return object->id;
}

ObjId ensure(Document& doc, const ObjId& parent, std::string_view key, crdt::ObjType type, const char* fatal_message)
{
    if (auto existing = object_of(doc.get(parent, key), type))
        return *existing;
    auto created = doc.put_object(parent, key, type);
    if (!created)
        util::fatal(fatal_message);
    return *created;
}

std::int64_t saturate(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double max = 9223372036854775807.0; // rounds to 2^63
    if (value >= max)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -max)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value); // truncates towards zero
}

struct ToI64 {
    std::optional<std::int64_t> operator()(std::int64_t v) const { return v; }
    std::optional<std::int64_t> operator()(std::uint64_t v) const
    {
        return v > std::uint64_t(std::numeric_limits<std::int64_t>::max()) ? std::numeric_limits<std::int64_t>::max()
                                                                          : std::int64_t(v);
    }
    std::optional<std::int64_t> operator()(double v) const { return saturate(v); }
    std::optional<std::int64_t> operator()(const crdt::Counter& v) const { return v.value; }
    std::optional<std::int64_t> operator()(const crdt::Timestamp& v) const { return v.millis; }
    template <typename Other>
    std::optional<std::int64_t> operator()(const Other&) const
    {
        return std::nullopt;
    }
};

} // namespace

ObjId ensure_map(Document& doc, const ObjId& parent, std::string_view key)
{
    return ensure(doc, parent, key, crdt::ObjType::Map, "put map");
}

ObjId ensure_list(Document& doc, const ObjId& parent, std::string_view key)
{
    return ensure(doc, parent, key, crdt::ObjType::List, "put list");
}

ObjId ensure_text(Document& doc, const ObjId& parent, std::string_view key)
{
    return ensure(doc, parent, key, crdt::ObjType::Text, "put text");
}

std::optional<ObjId> get_map(const Document& doc, const ObjId& parent, std::string_view key)
{
    return object_of(doc.get(parent, key), crdt::ObjType::Map);
}

std::optional<ObjId> get_list(const Document& doc, const ObjId& parent, std::string_view key)
{
    return object_of(doc.get(parent, key), crdt::ObjType::List);
}

std::optional<ObjId> get_text_object(const Document& doc, const ObjId& parent, std::string_view key)
{
    return object_of(doc.get(parent, key), crdt::ObjType::Text);
}

std::optional<ObjId> get_map_at(const Document& doc, const ObjId& list, std::size_t index)
{
    return object_of(doc.get(list, index), crdt::ObjType::Map);
}

std::optional<std::string> get_str(const Document& doc, const ObjId& parent, std::string_view key)
{
    auto value = doc.get(parent, key);
    if (!value)
        return std::nullopt;
    if (const auto* text = value->string())
        return *text;
    return std::nullopt;
}

std::optional<std::int64_t> scalar_i64(const crdt::Scalar& scalar)
{
    return std::visit(ToI64{}, scalar);
}

std::optional<std::int64_t> get_i64(const Document& doc, const ObjId& parent, std::string_view key)
{
    auto value = doc.get(parent, key);
    if (!value || !value->scalar())
        return std::nullopt;
    return scalar_i64(*value->scalar());
}

std::optional<bool> get_bool(const Document& doc, const ObjId& parent, std::string_view key)
{
    auto value = doc.get(parent, key);
    if (!value || !value->scalar())
        return std::nullopt;
    if (const auto* b = std::get_if<bool>(value->scalar()))
        return *b;
    return std::nullopt;
}

std::optional<std::string> get_text(const Document& doc, const ObjId& parent, std::string_view key)
{
    auto text = get_text_object(doc, parent, key);
    if (!text)
        return std::nullopt;
    return doc.text(*text);
}

util::Result<void> put_str(Document& doc, const ObjId& map, std::string_view key, std::string_view value)
{
    return doc.put(map, key, crdt::Scalar(std::string(value)));
}

util::Result<void> put_i64(Document& doc, const ObjId& map, std::string_view key, std::int64_t value)
{
    return doc.put(map, key, crdt::Scalar(value));
}

util::Result<void> put_bool(Document& doc, const ObjId& map, std::string_view key, bool value)
{
    return doc.put(map, key, crdt::Scalar(value));
}

bool update_str(Document& doc, const ObjId& map, std::string_view key, std::string_view value)
{
    if (get_str(doc, map, key) == value)
        return false;
    return put_str(doc, map, key, value).has_value();
}

bool update_i64(Document& doc, const ObjId& map, std::string_view key, std::int64_t value)
{
    // Only a stored signed integer counts as equal: another kind is rewritten in the canonical one.
    auto current = doc.get(map, key);
    if (current && current->scalar()) {
        if (const auto* stored = std::get_if<std::int64_t>(current->scalar()); stored && *stored == value)
            return false;
    }
    return put_i64(doc, map, key, value).has_value();
}

bool update_bool(Document& doc, const ObjId& map, std::string_view key, bool value)
{
    if (get_bool(doc, map, key) == value)
        return false;
    return put_bool(doc, map, key, value).has_value();
}

std::optional<ObjId> put_object(Document& doc, const ObjId& map, std::string_view key, crdt::ObjType type)
{
    auto created = doc.put_object(map, key, type);
    if (!created)
        return std::nullopt;
    return *created;
}

std::optional<ObjId> append_map(Document& doc, const ObjId& list)
{
    auto created = doc.insert_object(list, doc.length(list), crdt::ObjType::Map);
    if (!created)
        return std::nullopt;
    return *created;
}

util::Result<void> splice(Document& doc, const ObjId& text, std::size_t pos, std::size_t deleted,
                          std::string_view inserted)
{
    return doc.splice_text(text, pos, deleted, inserted);
}

util::Result<void> replace_text(Document& doc, const ObjId& text, std::string_view content)
{
    return crdt::splice_text_diffed(doc, text, content);
}

util::Result<void> delete_key(Document& doc, const ObjId& map, std::string_view key)
{
    return doc.delete_key(map, key);
}

util::Result<void> delete_index(Document& doc, const ObjId& list, std::size_t index)
{
    return doc.delete_index(list, index);
}

} // namespace chat::doc
