#pragma once
// Strict JSON input for decoders that need positioned errors. Tokens reads a JSON text (with
// RapidJSON's SAX reader: iterative, so the stack stays bounded, and validating UTF-8) or a
// value tree into a flat list of tokens; Reader walks that list so that a decoder can look
// ahead inside an object, skip a value in constant time, and report where a problem was
// found. Objects are used on one thread at a time.
//
// Error texts read "<what went wrong> at line L column C". Lines count from 1; columns count
// bytes from 1 and point at the last byte of the token concerned (for a syntax error: the byte
// where reading stopped). Input that came from a value tree has no text, so its errors carry
// no position.

#include "platform/util/result.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <rapidjson/document.h>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace chat::actions::json {

enum class TokenKind : std::uint8_t {
    Null,
    Bool,
    Negative, // an integer below zero
    Unsigned, // an integer from zero up
    Double,   // a number with a fraction or exponent, or too large for 64 bits
    String,
    Key,
    ObjectStart,
    ObjectEnd,
    ArrayStart,
    ArrayEnd,
};

inline constexpr std::size_t no_offset = std::numeric_limits<std::size_t>::max();

struct Token {
    TokenKind kind = TokenKind::Null;
    std::uint32_t count = 0;        // ObjectStart, ArrayStart: members or elements
    std::uint32_t end = 0;          // ObjectStart, ArrayStart: index of the matching end token
    std::size_t offset = no_offset; // just past the token in the text
    union {
        bool boolean;
        std::int64_t negative;
        std::uint64_t unsigned_value;
        double real;
        std::uint32_t string; // String, Key: index into Tokens::strings()
    };

    Token() : unsigned_value(0) {}
};

struct ReadLimits {
    std::uint32_t max_depth = 128; // nesting of arrays and objects
};

// One JSON value as tokens. A Tokens read from text refers to that text (for positions) and
// must not outlive it.
class Tokens {
  public:
    // Errors: RapidJSON's message for a syntax error or ill-formed UTF-8; "nesting deeper than
    // N levels"; "lone surrogate in string escape"; "The document root must not be followed by
    // other values." for anything after the value. All positioned.
    static util::Result<Tokens> read(std::string_view text, ReadLimits limits = {});
    // Errors: nesting too deep, a string that is not well-formed UTF-8. Not positioned.
    static util::Result<Tokens> read(const rapidjson::Value& value, ReadLimits limits = {});

    const std::vector<Token>& tokens() const { return m_tokens; }
    std::vector<std::string>& strings() { return m_strings; }
    std::string_view text() const { return m_text; }

    // " at line L column C" for a byte offset, or "" for no_offset.
    std::string describe_offset(std::size_t offset) const;

  private:
    friend class TokenCollector;

    std::vector<Token> m_tokens;
    std::vector<std::string> m_strings;
    std::string_view m_text;
};

// Walks the tokens of one value. Every read_ function consumes exactly one value on success;
// after a failure the reader's position is unspecified and the decode should stop.
class Reader {
  public:
    explicit Reader(Tokens& tokens);

    const Token& peek() const { return m_tokens[m_at]; }
    std::size_t position() const { return m_at; }
    bool at_end() const { return m_at >= m_tokens.size(); }
    void advance() { ++m_at; }
    void seek(std::size_t position) { m_at = position; }
    const Token& token(std::size_t index) const { return m_tokens[index]; }

    // Skips the value at the current position, whatever its size.
    void skip_value();

    // The string of a String or Key token; take_string moves it out.
    std::string_view string_of(const Token& token) const;
    std::string take_string(const Token& token);

    util::Result<void> read(std::string& out);
    util::Result<void> read(bool& out);
    util::Result<void> read(std::int64_t& out);
    util::Result<void> read(std::uint64_t& out);
    util::Result<void> read(std::uint32_t& out);

    // An error at the token with index `at`: `message` plus its position.
    util::Error error_at(std::size_t at, std::string_view message) const;
    // "invalid type: <what the token is>, expected <expected>".
    util::Error invalid_type(std::size_t at, std::string_view expected) const;
    // "invalid length <found>, expected <expected>".
    util::Error invalid_length(std::size_t at, std::size_t found, std::string_view expected) const;
    // "unknown variant `name`, expected one of `A`, `B`" (or "`A` or `B`" for two names).
    util::Error unknown_variant(std::size_t at, std::string_view name,
                                std::span<const std::string_view> expected) const;
    util::Error missing_field(std::size_t at, std::string_view name) const;
    util::Error duplicate_field(std::size_t at, std::string_view name) const;

    // What the token is, for error texts: "null", "boolean `true`", "integer `-3`",
    // "floating point `1.5`", "string \"abc\"", "object", "array".
    std::string describe_token(std::size_t at) const;

  private:
    template <typename Unsigned>
    util::Result<void> read_unsigned(Unsigned& out, std::string_view type_name);

    Tokens& m_source;
    const std::vector<Token>& m_tokens;
    std::size_t m_at = 0;
};

// The shape of a record read as an object (fields by key, in any order) or as an array (field
// values in declaration order).
struct StructShape {
    std::string_view record;      // "ResourceRef", or the union's name for an alternative
    std::string_view alternative; // "SendMessage" for an alternative of a union, else empty
    std::span<const std::string_view> fields;
    std::uint64_t may_be_absent = 0; // bit i: field i keeps its default when its key is absent
};

// "struct ResourceRef with 4 elements", "struct variant ChatAction::DeleteMessage with 2
// elements", "... with 1 element".
std::string describe(const StructShape& shape);

// Reads the object or array form of a record. `read_field(index)` is called with the reader at
// the value of field `index` and must consume it. Unknown keys are skipped; a repeated key, a
// missing field without a default and an array of the wrong length are errors.
template <typename ReadField>
util::Result<void> read_struct(Reader& reader, const StructShape& shape, ReadField&& read_field);

// Reads `count` field values in declaration order from an array whose end token has index
// `end`; the reader is at the first of them. Consumes the array's end.
template <typename ReadField>
util::Result<void> read_struct_elements(Reader& reader, const StructShape& shape, std::size_t count,
                                        std::size_t end, ReadField&& read_field);

// Reads {"Name": value}: returns the index of Name in `names` and leaves the reader at the
// value. After reading the value, call end_external_tag.
util::Result<std::size_t> begin_external_tag(Reader& reader, std::string_view union_name,
                                             std::span<const std::string_view> names);
void end_external_tag(Reader& reader);

// Finds the tag of an internally tagged object (the key `tag_key` anywhere among its members,
// with a string value from `names`) without moving the reader, which must be at the object.
util::Result<std::size_t> find_internal_tag(const Reader& reader, std::string_view tag_key,
                                            std::span<const std::string_view> names);

// Matches a string value against `names`, consuming it.
util::Result<std::size_t> read_name(Reader& reader, std::string_view expected,
                                    std::span<const std::string_view> names);

template <typename ReadField>
util::Result<void> read_struct_elements(Reader& reader, const StructShape& shape, std::size_t count,
                                        std::size_t end, ReadField&& read_field)
{
    if (count != shape.fields.size())
        return std::unexpected(reader.invalid_length(end, count, describe(shape)));
    for (std::size_t i = 0; i < count; ++i) {
        if (auto read = read_field(i); !read)
            return read;
    }
    reader.seek(end + 1);
    return {};
}

template <typename ReadField>
util::Result<void> read_struct(Reader& reader, const StructShape& shape, ReadField&& read_field)
{
    const std::size_t start = reader.position();
    const Token& open = reader.peek();
    if (open.kind == TokenKind::ArrayStart) {
        reader.advance();
        return read_struct_elements(reader, shape, open.count, open.end, read_field);
    }
    if (open.kind != TokenKind::ObjectStart)
        return std::unexpected(reader.invalid_type(start, describe(shape)));
    const std::size_t end = open.end;
    std::uint64_t seen = 0;
    reader.advance();
    while (reader.position() != end) {
        const std::size_t key_at = reader.position();
        std::string_view key = reader.string_of(reader.peek());
        std::size_t index = 0;
        while (index < shape.fields.size() && shape.fields[index] != key)
            ++index;
        reader.advance();
        if (index == shape.fields.size()) {
            reader.skip_value();
            continue;
        }
        const std::uint64_t bit = std::uint64_t{1} << index;
        if (seen & bit)
            return std::unexpected(reader.duplicate_field(key_at, key));
        seen |= bit;
        if (auto read = read_field(index); !read)
            return read;
    }
    for (std::size_t i = 0; i < shape.fields.size(); ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (!(seen & bit) && !(shape.may_be_absent & bit))
            return std::unexpected(reader.missing_field(end, shape.fields[i]));
    }
    reader.advance();
    return {};
}

} // namespace chat::actions::json
