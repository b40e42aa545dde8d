#pragma once
// Encoding and decoding of plain records from a description of their fields. A record type
// describes itself once by specialising one of:
//
//   StructSchema<T>: name, and fields = std::tuple of field("key", &T::member, Presence);
//                    written as an object of its fields in that order; read from an object
//                    (keys in any order, unknown keys skipped) or an array of the values.
//   EnumSchema<T>:   name, and names (one per enumerator, in order); written as a bare string.
//   UnionSchema<T>:  for a std::variant of structs: name, and names (one per alternative, in
//                    order). Written {"Name":{fields}}; with a tag_key it is written instead as
//                    one object {"<tag_key>":"name",fields...}, and read from such an object with
//                    the tag anywhere in it, or from an array ["name", field values...].
//
// Members may be std::string, bool, std::int64_t, std::uint64_t, std::uint32_t, std::optional
// (null when absent, and absent may also be omitted on input), std::vector (an array), or any
// described type. The functions are pure; use them on any thread.

#include "actions/json_reader.h"
#include "actions/json_writer.h"
#include "platform/util/result.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace chat::actions::json {

enum class Presence : std::uint8_t {
    Required,         // must be present on input (unless the member is an optional)
    Defaulted,        // may be absent on input; always written
    OmittedWhenEmpty, // may be absent on input; not written when empty, zero or absent
};

template <typename Record, typename Member> struct Field {
    std::string_view name;
    Member Record::*member;
    Presence presence;
};

template <typename Record, typename Member>
constexpr Field<Record, Member> field(std::string_view name, Member Record::*member,
                                      Presence presence = Presence::Required)
{
    return {name, member, presence};
}

template <typename T> struct StructSchema;
template <typename T> struct EnumSchema;
template <typename T> struct UnionSchema;

template <typename T>
concept DescribedStruct = requires
{
    StructSchema<T>::fields;
};
template <typename T>
concept DescribedEnum = requires
{
    EnumSchema<T>::names;
};
template <typename T>
concept DescribedUnion = requires
{
    UnionSchema<T>::names;
};
template <typename T>
concept InternallyTagged = DescribedUnion<T> && requires
{
    UnionSchema<T>::tag_key;
};

namespace detail {

template <typename T> inline constexpr bool is_optional = false;
template <typename T> inline constexpr bool is_optional<std::optional<T>> = true;
template <typename T> inline constexpr bool is_vector = false;
template <typename T> inline constexpr bool is_vector<std::vector<T>> = true;
template <typename T> inline constexpr bool always_false = false;

template <typename T>
inline constexpr auto field_names = std::apply(
    [](const auto&... f) { return std::array<std::string_view, sizeof...(f)>{f.name...}; },
    StructSchema<T>::fields);

template <typename Member> constexpr bool may_be_absent(Presence presence)
{
    return presence != Presence::Required || is_optional<Member>;
}

template <typename T>
inline constexpr std::uint64_t absent_mask = std::apply(
    [](const auto&... f) {
        std::uint64_t mask = 0;
        std::uint64_t bit = 1;
        ((mask |=
          may_be_absent<std::remove_cvref_t<decltype(std::declval<T>().*(f.member))>>(f.presence)
              ? bit
              : 0,
          bit <<= 1),
         ...);
        return mask;
    },
    StructSchema<T>::fields);

template <typename T> bool is_empty(const T& value)
{
    if constexpr (is_optional<T>)
        return !value.has_value();
    else if constexpr (is_vector<T> || std::is_same_v<T, std::string>)
        return value.empty();
    else if constexpr (std::is_integral_v<T>)
        return value == 0;
    else
        return false; // records and unions are never left out
}

template <typename Handler, typename T> void write_value(Emitter<Handler>& out, const T& value);

template <typename Handler, typename T> void write_fields(Emitter<Handler>& out, const T& record)
{
    std::apply(
        [&](const auto&... f) {
            auto write_one = [&](const auto& one) {
                const auto& member = record.*(one.member);
                if (one.presence == Presence::OmittedWhenEmpty && is_empty(member))
                    return;
                out.key(one.name);
                write_value(out, member);
            };
            (void)write_one;
            (write_one(f), ...);
        },
        StructSchema<T>::fields);
}

template <typename Handler, typename T> void write_value(Emitter<Handler>& out, const T& value)
{
    if constexpr (std::is_same_v<T, std::string>) {
        out.string(value);
    } else if constexpr (std::is_same_v<T, bool>) {
        out.boolean(value);
    } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t> ||
                         std::is_same_v<T, std::uint32_t>) {
        out.integer(value);
    } else if constexpr (is_optional<T>) {
        if (value)
            write_value(out, *value);
        else
            out.null();
    } else if constexpr (is_vector<T>) {
        out.begin_array();
        for (const auto& element : value)
            write_value(out, element);
        out.end_array();
    } else if constexpr (DescribedEnum<T>) {
        out.string(EnumSchema<T>::names[static_cast<std::size_t>(value)]);
    } else if constexpr (InternallyTagged<T>) {
        out.begin_object();
        out.key(UnionSchema<T>::tag_key);
        out.string(UnionSchema<T>::names[value.index()]);
        std::visit([&](const auto& alternative) { write_fields(out, alternative); }, value);
        out.end_object();
    } else if constexpr (DescribedUnion<T>) {
        out.begin_object();
        out.key(UnionSchema<T>::names[value.index()]);
        std::visit(
            [&](const auto& alternative) {
                out.begin_object();
                write_fields(out, alternative);
                out.end_object();
            },
            value);
        out.end_object();
    } else if constexpr (DescribedStruct<T>) {
        out.begin_object();
        write_fields(out, value);
        out.end_object();
    } else {
        static_assert(always_false<T>, "no JSON form for this type");
    }
}

template <typename T> util::Result<void> read_value(Reader& in, T& out);

template <typename T>
constexpr StructShape shape_of(std::string_view record, std::string_view alternative)
{
    return StructShape{record, alternative, field_names<T>, absent_mask<T>};
}

template <typename T, std::size_t... I>
util::Result<void> read_field_at(Reader& in, T& record, std::size_t index,
                                 std::index_sequence<I...>)
{
    util::Result<void> result;
    (void)((index == I
                ? (result = read_value(in, record.*(std::get<I>(StructSchema<T>::fields).member)),
                   true)
                : false) ||
           ...);
    return result;
}

template <typename T> auto field_reader(Reader& in, T& record)
{
    return [&in, &record](std::size_t index) {
        constexpr std::size_t count =
            std::tuple_size_v<std::remove_cvref_t<decltype(StructSchema<T>::fields)>>;
        return read_field_at(in, record, index, std::make_index_sequence<count>{});
    };
}

template <typename V, std::size_t... I>
void emplace_index(V& value, std::size_t index, std::index_sequence<I...>)
{
    (void)((index == I ? (value.template emplace<I>(), true) : false) || ...);
}

template <typename V> void emplace_index(V& value, std::size_t index)
{
    emplace_index(value, index, std::make_index_sequence<std::variant_size_v<V>>{});
}

template <typename T> util::Result<void> read_internally_tagged(Reader& in, T& out)
{
    using Schema = UnionSchema<T>;
    const std::size_t start = in.position();
    const Token& open = in.peek();
    if (open.kind == TokenKind::ObjectStart) {
        auto index = find_internal_tag(in, Schema::tag_key, Schema::names);
        if (!index)
            return std::unexpected(std::move(index.error()));
        emplace_index(out, *index);
        return std::visit(
            [&](auto& alternative) {
                using Alt = std::remove_cvref_t<decltype(alternative)>;
                constexpr StructShape shape = shape_of<Alt>(Schema::name, StructSchema<Alt>::name);
                return read_struct(in, shape, field_reader(in, alternative));
            },
            out);
    }
    if (open.kind == TokenKind::ArrayStart) {
        if (open.count == 0)
            return std::unexpected(in.missing_field(open.end, Schema::tag_key));
        const std::size_t end = open.end;
        const std::size_t count = open.count - 1;
        in.advance();
        auto index = read_name(in, "a variant name", Schema::names);
        if (!index)
            return std::unexpected(std::move(index.error()));
        emplace_index(out, *index);
        return std::visit(
            [&](auto& alternative) {
                using Alt = std::remove_cvref_t<decltype(alternative)>;
                constexpr StructShape shape = shape_of<Alt>(Schema::name, StructSchema<Alt>::name);
                return read_struct_elements(in, shape, count, end, field_reader(in, alternative));
            },
            out);
    }
    return std::unexpected(
        in.invalid_type(start, fmt::format("internally tagged enum {}", Schema::name)));
}

template <typename T> util::Result<void> read_externally_tagged(Reader& in, T& out)
{
    using Schema = UnionSchema<T>;
    auto index = begin_external_tag(in, Schema::name, Schema::names);
    if (!index)
        return std::unexpected(std::move(index.error()));
    emplace_index(out, *index);
    auto read = std::visit(
        [&](auto& alternative) {
            using Alt = std::remove_cvref_t<decltype(alternative)>;
            constexpr StructShape shape = shape_of<Alt>(Schema::name, StructSchema<Alt>::name);
            return read_struct(in, shape, field_reader(in, alternative));
        },
        out);
    if (!read)
        return read;
    end_external_tag(in);
    return {};
}

template <typename T> util::Result<void> read_value(Reader& in, T& out)
{
    if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, bool> ||
                  std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t> ||
                  std::is_same_v<T, std::uint32_t>) {
        return in.read(out);
    } else if constexpr (is_optional<T>) {
        if (in.peek().kind == TokenKind::Null) {
            in.advance();
            out.reset();
            return {};
        }
        return read_value(in, out.emplace());
    } else if constexpr (is_vector<T>) {
        const std::size_t start = in.position();
        const Token& open = in.peek();
        if (open.kind != TokenKind::ArrayStart)
            return std::unexpected(in.invalid_type(start, "an array"));
        const std::size_t end = open.end;
        out.clear();
        out.reserve(open.count);
        in.advance();
        while (in.position() != end) {
            if (auto read = read_value(in, out.emplace_back()); !read)
                return read;
        }
        in.advance();
        return {};
    } else if constexpr (DescribedEnum<T>) {
        auto index =
            read_name(in, fmt::format("enum {}", EnumSchema<T>::name), EnumSchema<T>::names);
        if (!index)
            return std::unexpected(std::move(index.error()));
        out = static_cast<T>(*index);
        return {};
    } else if constexpr (InternallyTagged<T>) {
        return read_internally_tagged(in, out);
    } else if constexpr (DescribedUnion<T>) {
        return read_externally_tagged(in, out);
    } else if constexpr (DescribedStruct<T>) {
        constexpr StructShape shape = shape_of<T>(StructSchema<T>::name, {});
        return read_struct(in, shape, field_reader(in, out));
    } else {
        static_assert(always_false<T>, "no JSON form for this type");
    }
}

} // namespace detail

// Compact JSON text of `value`. Ends the program with `fatal_message` if RapidJSON refuses
// the output, which a described record cannot cause.
template <typename T>
std::string to_text(const T& value, std::string_view fatal_message,
                    std::size_t initial_capacity = 256)
{
    TextWriter writer(initial_capacity);
    detail::write_value(writer.emitter(), value);
    return writer.take(fatal_message);
}

// `value` as a RapidJSON value tree allocated in `allocator`.
template <typename T>
rapidjson::Value to_value(const T& value, ValueAllocator& allocator, std::string_view fatal_message)
{
    return build_value(
        allocator, [&](Emitter<ValueHandler>& out) { detail::write_value(out, value); },
        fatal_message);
}

// Decodes one value of type T from tokens; errors as described in json_reader.h.
template <typename T> util::Result<T> from_tokens(Tokens& tokens)
{
    Reader in(tokens);
    T out{};
    if (auto read = detail::read_value(in, out); !read)
        return std::unexpected(std::move(read.error()));
    return out;
}

template <typename T> util::Result<T> from_text(std::string_view text)
{
    auto tokens = Tokens::read(text);
    if (!tokens)
        return std::unexpected(std::move(tokens.error()));
    return from_tokens<T>(*tokens);
}

template <typename T> util::Result<T> from_value(const rapidjson::Value& value)
{
    auto tokens = Tokens::read(value);
    if (!tokens)
        return std::unexpected(std::move(tokens.error()));
    return from_tokens<T>(*tokens);
}

} // namespace chat::actions::json
