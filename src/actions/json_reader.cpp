#include "actions/json_reader.h"

#include "actions/json_writer.h"

#include <cstring>
#include <fmt/format.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

namespace chat::actions::json {

// Refusing an event makes RapidJSON stop with kParseErrorTermination; the collector keeps the
// reason and where it happened.
enum class Refusal : std::uint8_t {
    None,
    TooDeep,
    LoneSurrogate,
    TooManyTokens,
};

// A string decoded by RapidJSON holds well-formed UTF-8 except for one case the 1.1 reader
// lets through: a \u escape of a lone low surrogate, which it turns into the bytes ED B0..BF
// xx. Raw input cannot contain those bytes once the reader has validated it.
static bool has_encoded_surrogate(std::string_view text)
{
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while ((
        at = static_cast<const char*>(std::memchr(at, 0xED, static_cast<std::size_t>(end - at))))) {
        if (at + 1 < end && static_cast<unsigned char>(at[1]) >= 0xA0)
            return true;
        ++at;
    }
    return false;
}

class TokenCollector {
  public:
    TokenCollector(Tokens& tokens, ReadLimits limits, const rapidjson::MemoryStream* stream)
        : m_tokens(tokens), m_limits(limits), m_stream(stream)
    {
    }

    bool Null() { return push_scalar(TokenKind::Null); }
    bool Bool(bool value)
    {
        Token& token = push(TokenKind::Bool);
        token.boolean = value;
        return ok();
    }
    bool Int(int value) { return Int64(value); }
    bool Uint(unsigned value) { return Uint64(value); }
    bool Int64(std::int64_t value)
    {
        if (value >= 0)
            return Uint64(static_cast<std::uint64_t>(value));
        Token& token = push(TokenKind::Negative);
        token.negative = value;
        return ok();
    }
    bool Uint64(std::uint64_t value)
    {
        Token& token = push(TokenKind::Unsigned);
        token.unsigned_value = value;
        return ok();
    }
    bool Double(double value)
    {
        Token& token = push(TokenKind::Double);
        token.real = value;
        return ok();
    }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        return push_string(TokenKind::String, std::string_view(text, length));
    }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        return push_string(TokenKind::Key, std::string_view(text, length));
    }
    bool StartObject() { return open(TokenKind::ObjectStart); }
    bool EndObject(rapidjson::SizeType members) { return close(TokenKind::ObjectEnd, members); }
    bool StartArray() { return open(TokenKind::ArrayStart); }
    bool EndArray(rapidjson::SizeType elements) { return close(TokenKind::ArrayEnd, elements); }

    Refusal refusal() const { return m_refusal; }
    std::size_t refusal_offset() const { return m_refusal_offset; }

  private:
    // RapidJSON reports a bracket before it consumes it, every other token after.
    std::size_t offset(TokenKind kind) const
    {
        if (!m_stream)
            return no_offset;
        bool bracket = kind == TokenKind::ObjectStart || kind == TokenKind::ObjectEnd ||
                       kind == TokenKind::ArrayStart || kind == TokenKind::ArrayEnd;
        return m_stream->Tell() + (bracket ? 1 : 0);
    }

    bool ok() const { return m_refusal == Refusal::None; }
    bool refuse(Refusal why, TokenKind at)
    {
        m_refusal = why;
        m_refusal_offset = offset(at);
        return false;
    }

    Token& push(TokenKind kind)
    {
        auto& list = m_tokens.m_tokens;
        if (list.size() >= max_tokens) {
            refuse(Refusal::TooManyTokens, kind);
            list.back() = Token{};
            return list.back();
        }
        Token& token = list.emplace_back();
        token.kind = kind;
        token.offset = offset(kind);
        return token;
    }
    bool push_scalar(TokenKind kind)
    {
        push(kind);
        return ok();
    }
    bool push_string(TokenKind kind, std::string_view text)
    {
        if (has_encoded_surrogate(text))
            return refuse(Refusal::LoneSurrogate, kind);
        Token& token = push(kind);
        if (!ok())
            return false;
        token.string = static_cast<std::uint32_t>(m_tokens.m_strings.size());
        m_tokens.m_strings.emplace_back(text);
        return true;
    }
    bool open(TokenKind kind)
    {
        if (m_open.size() >= m_limits.max_depth)
            return refuse(Refusal::TooDeep, kind);
        push(kind);
        m_open.push_back(static_cast<std::uint32_t>(m_tokens.m_tokens.size() - 1));
        return ok();
    }
    bool close(TokenKind kind, rapidjson::SizeType count)
    {
        push(kind);
        if (!ok())
            return false;
        auto& list = m_tokens.m_tokens;
        Token& start = list[m_open.back()];
        m_open.pop_back();
        start.count = count;
        start.end = static_cast<std::uint32_t>(list.size() - 1);
        return true;
    }

    static constexpr std::size_t max_tokens = std::numeric_limits<std::uint32_t>::max() - 1;

    Tokens& m_tokens;
    ReadLimits m_limits;
    const rapidjson::MemoryStream* m_stream;
    std::vector<std::uint32_t> m_open;
    Refusal m_refusal = Refusal::None;
    std::size_t m_refusal_offset = 0;
};

// RapidJSON's messages are sentences; ours append the position, so drop the final period.
static std::string_view parse_error_text(rapidjson::ParseErrorCode code)
{
    std::string_view text = rapidjson::GetParseError_En(code);
    if (!text.empty() && text.back() == '.')
        text.remove_suffix(1);
    return text;
}

static std::string_view refusal_text(Refusal why)
{
    switch (why) {
    case Refusal::TooDeep:
        return "nesting deeper than {} levels";
    case Refusal::LoneSurrogate:
        return "lone surrogate in string escape";
    case Refusal::TooManyTokens:
        return "too many values";
    case Refusal::None:
        break;
    }
    return "";
}

std::string Tokens::describe_offset(std::size_t offset) const
{
    if (offset == no_offset || m_text.data() == nullptr)
        return {};
    offset = std::min(offset, m_text.size());
    std::size_t line = 1;
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (m_text[i] == '\n') {
            ++line;
            line_start = i + 1;
        }
    }
    return fmt::format(" at line {} column {}", line, offset - line_start);
}

util::Result<Tokens> Tokens::read(std::string_view text, ReadLimits limits)
{
    Tokens tokens;
    tokens.m_text = text;
    // Most payloads are small records; a token per eight bytes is a fair first guess.
    tokens.m_tokens.reserve(std::min<std::size_t>(text.size() / 8 + 8, 4096));
    rapidjson::MemoryStream stream(text.data(), text.size());
    TokenCollector collector(tokens, limits, &stream);
    rapidjson::Reader reader;
    constexpr unsigned flags =
        rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
    rapidjson::ParseResult parsed = reader.Parse<flags>(stream, collector);
    if (parsed.IsError()) {
        if (parsed.Code() == rapidjson::kParseErrorTermination &&
            collector.refusal() != Refusal::None) {
            std::string what =
                fmt::format(fmt::runtime(refusal_text(collector.refusal())), limits.max_depth);
            return util::fail("{}{}", what, tokens.describe_offset(collector.refusal_offset()));
        }
        // RapidJSON's offset is that of the byte where it stopped; report its column.
        return util::fail("{}{}", parse_error_text(parsed.Code()),
                          tokens.describe_offset(std::min(parsed.Offset() + 1, text.size())));
    }
    // The reader treats a NUL byte as the end of the input, so look past it ourselves.
    if (stream.Tell() != text.size()) {
        return util::fail("{}{}", parse_error_text(rapidjson::kParseErrorDocumentRootNotSingular),
                          tokens.describe_offset(stream.Tell() + 1));
    }
    return tokens;
}

util::Result<Tokens> Tokens::read(const rapidjson::Value& value, ReadLimits limits)
{
    Tokens tokens;
    TokenCollector collector(tokens, limits, nullptr);
    // An explicit stack, so that a deep tree cannot exhaust the call stack.
    struct Frame {
        const rapidjson::Value* value;
        std::uint32_t next; // next member or element to visit
    };
    std::vector<Frame> stack;
    auto visit = [&](const rapidjson::Value& v) -> bool {
        switch (v.GetType()) {
        case rapidjson::kNullType:
            return collector.Null();
        case rapidjson::kFalseType:
        case rapidjson::kTrueType:
            return collector.Bool(v.GetBool());
        case rapidjson::kNumberType:
            if (v.IsUint64())
                return collector.Uint64(v.GetUint64());
            if (v.IsInt64())
                return collector.Int64(v.GetInt64());
            return collector.Double(v.GetDouble());
        case rapidjson::kStringType: {
            std::string_view text(v.GetString(), v.GetStringLength());
            if (!is_valid_utf8(text))
                return false;
            return collector.String(text.data(), v.GetStringLength(), true);
        }
        case rapidjson::kObjectType:
            if (!collector.StartObject())
                return false;
            stack.push_back({&v, 0});
            return true;
        case rapidjson::kArrayType:
            if (!collector.StartArray())
                return false;
            stack.push_back({&v, 0});
            return true;
        }
        return false;
    };
    bool ok = visit(value);
    while (ok && !stack.empty()) {
        Frame& frame = stack.back();
        const rapidjson::Value& container = *frame.value;
        if (container.IsObject()) {
            if (frame.next == container.MemberCount()) {
                stack.pop_back();
                ok = collector.EndObject(container.MemberCount());
                continue;
            }
            const auto& member = *(container.MemberBegin() + frame.next++);
            std::string_view key(member.name.GetString(), member.name.GetStringLength());
            if (!member.name.IsString() || !is_valid_utf8(key)) {
                ok = false;
                break;
            }
            ok = collector.Key(key.data(), member.name.GetStringLength(), true) &&
                 visit(member.value);
        } else {
            if (frame.next == container.Size()) {
                stack.pop_back();
                ok = collector.EndArray(container.Size());
                continue;
            }
            ok = visit(container[frame.next++]);
        }
    }
    if (!ok) {
        if (collector.refusal() != Refusal::None)
            return util::fail(fmt::runtime(refusal_text(collector.refusal())), limits.max_depth);
        return util::fail("string is not well-formed UTF-8");
    }
    return tokens;
}

Reader::Reader(Tokens& tokens) : m_source(tokens), m_tokens(tokens.tokens()) {}

void Reader::skip_value()
{
    const Token& token = peek();
    if (token.kind == TokenKind::ObjectStart || token.kind == TokenKind::ArrayStart)
        m_at = token.end + 1;
    else
        ++m_at;
}

std::string_view Reader::string_of(const Token& token) const
{
    return m_source.strings()[token.string];
}

std::string Reader::take_string(const Token& token)
{
    return std::move(m_source.strings()[token.string]);
}

util::Error Reader::error_at(std::size_t at, std::string_view message) const
{
    std::size_t offset = at < m_tokens.size() ? m_tokens[at].offset : no_offset;
    return util::Error{fmt::format("{}{}", message, m_source.describe_offset(offset))};
}

// Error texts quote what was found; a long string is cut at a character boundary.
static std::string quote_for_error(std::string_view text)
{
    constexpr std::size_t limit = 64;
    if (text.size() <= limit)
        return std::string(text);
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return fmt::format("{}...", text.substr(0, cut));
}

std::string Reader::describe_token(std::size_t at) const
{
    const Token& token = m_tokens[at];
    switch (token.kind) {
    case TokenKind::Null:
        return "null";
    case TokenKind::Bool:
        return fmt::format("boolean `{}`", token.boolean);
    case TokenKind::Negative:
        return fmt::format("integer `{}`", token.negative);
    case TokenKind::Unsigned:
        return fmt::format("integer `{}`", token.unsigned_value);
    case TokenKind::Double:
        return fmt::format("floating point `{}`", token.real);
    case TokenKind::String:
    case TokenKind::Key:
        return fmt::format("string \"{}\"", quote_for_error(string_of(token)));
    case TokenKind::ObjectStart:
    case TokenKind::ObjectEnd:
        return "object";
    case TokenKind::ArrayStart:
    case TokenKind::ArrayEnd:
        return "array";
    }
    return "value";
}

util::Error Reader::invalid_type(std::size_t at, std::string_view expected) const
{
    // A container's error points at its end, after everything it holds.
    const Token& token = m_tokens[at];
    std::size_t where = at;
    if (token.kind == TokenKind::ObjectStart || token.kind == TokenKind::ArrayStart)
        where = token.end;
    return error_at(where,
                    fmt::format("invalid type: {}, expected {}", describe_token(at), expected));
}

util::Error Reader::invalid_length(std::size_t at, std::size_t found,
                                   std::string_view expected) const
{
    return error_at(at, fmt::format("invalid length {}, expected {}", found, expected));
}

static std::string list_names(std::span<const std::string_view> names)
{
    if (names.empty())
        return "no variant at all";
    if (names.size() == 1)
        return fmt::format("`{}`", names[0]);
    if (names.size() == 2)
        return fmt::format("`{}` or `{}`", names[0], names[1]);
    std::string out = "one of ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += fmt::format("`{}`", names[i]);
    }
    return out;
}

util::Error Reader::unknown_variant(std::size_t at, std::string_view name,
                                    std::span<const std::string_view> expected) const
{
    return error_at(at, fmt::format("unknown variant `{}`, expected {}", quote_for_error(name),
                                    list_names(expected)));
}

util::Error Reader::missing_field(std::size_t at, std::string_view name) const
{
    return error_at(at, fmt::format("missing field `{}`", name));
}

util::Error Reader::duplicate_field(std::size_t at, std::string_view name) const
{
    return error_at(at, fmt::format("duplicate field `{}`", quote_for_error(name)));
}

util::Result<void> Reader::read(std::string& out)
{
    const Token& token = peek();
    if (token.kind != TokenKind::String)
        return std::unexpected(invalid_type(m_at, "a string"));
    out = take_string(token);
    ++m_at;
    return {};
}

util::Result<void> Reader::read(bool& out)
{
    const Token& token = peek();
    if (token.kind != TokenKind::Bool)
        return std::unexpected(invalid_type(m_at, "a boolean"));
    out = token.boolean;
    ++m_at;
    return {};
}

util::Result<void> Reader::read(std::int64_t& out)
{
    const Token& token = peek();
    if (token.kind == TokenKind::Negative) {
        out = token.negative;
    } else if (token.kind == TokenKind::Unsigned) {
        if (token.unsigned_value >
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::unexpected(
                error_at(m_at, fmt::format("invalid value: integer `{}`, expected i64",
                                           token.unsigned_value)));
        out = static_cast<std::int64_t>(token.unsigned_value);
    } else {
        return std::unexpected(invalid_type(m_at, "i64"));
    }
    ++m_at;
    return {};
}

template <typename Unsigned>
util::Result<void> Reader::read_unsigned(Unsigned& out, std::string_view type_name)
{
    const Token& token = peek();
    if (token.kind == TokenKind::Negative)
        return std::unexpected(
            error_at(m_at, fmt::format("invalid value: integer `{}`, expected {}", token.negative,
                                       type_name)));
    if (token.kind != TokenKind::Unsigned)
        return std::unexpected(invalid_type(m_at, type_name));
    if (token.unsigned_value > std::numeric_limits<Unsigned>::max())
        return std::unexpected(
            error_at(m_at, fmt::format("invalid value: integer `{}`, expected {}",
                                       token.unsigned_value, type_name)));
    out = static_cast<Unsigned>(token.unsigned_value);
    ++m_at;
    return {};
}

util::Result<void> Reader::read(std::uint64_t& out)
{
    return read_unsigned(out, "u64");
}

util::Result<void> Reader::read(std::uint32_t& out)
{
    return read_unsigned(out, "u32");
}

std::string describe(const StructShape& shape)
{
    const std::size_t n = shape.fields.size();
    const char* noun = n == 1 ? "element" : "elements";
    if (shape.alternative.empty())
        return fmt::format("struct {} with {} {}", shape.record, n, noun);
    return fmt::format("struct variant {}::{} with {} {}", shape.record, shape.alternative, n,
                       noun);
}

util::Result<std::size_t> begin_external_tag(Reader& reader, std::string_view union_name,
                                             std::span<const std::string_view> names)
{
    const std::size_t start = reader.position();
    const Token& open = reader.peek();
    if (open.kind != TokenKind::ObjectStart)
        return std::unexpected(reader.invalid_type(start, fmt::format("enum {}", union_name)));
    if (open.count != 1)
        return std::unexpected(reader.invalid_length(
            open.end, open.count,
            fmt::format("enum {} as an object with a single key", union_name)));
    reader.advance();
    const std::size_t key_at = reader.position();
    std::string_view key = reader.string_of(reader.peek());
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == key) {
            reader.advance();
            return i;
        }
    }
    return std::unexpected(reader.unknown_variant(key_at, key, names));
}

void end_external_tag(Reader& reader)
{
    reader.advance();
}

util::Result<std::size_t> read_name(Reader& reader, std::string_view expected,
                                    std::span<const std::string_view> names)
{
    const std::size_t at = reader.position();
    const Token& token = reader.peek();
    if (token.kind != TokenKind::String)
        return std::unexpected(reader.invalid_type(at, expected));
    std::string_view name = reader.string_of(token);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            reader.advance();
            return i;
        }
    }
    return std::unexpected(reader.unknown_variant(at, name, names));
}

util::Result<std::size_t> find_internal_tag(const Reader& reader, std::string_view tag_key,
                                            std::span<const std::string_view> names)
{
    const std::size_t start = reader.position();
    const Token& open = reader.token(start);
    std::size_t found_at = 0;
    std::size_t at = start + 1;
    while (at != open.end) {
        const Token& key = reader.token(at);
        const Token& value = reader.token(at + 1);
        if (reader.string_of(key) == tag_key) {
            if (found_at != 0)
                return std::unexpected(reader.duplicate_field(at, tag_key));
            found_at = at + 1;
        }
        bool container =
            value.kind == TokenKind::ObjectStart || value.kind == TokenKind::ArrayStart;
        at = container ? value.end + 1 : at + 2;
    }
    if (found_at == 0)
        return std::unexpected(reader.missing_field(open.end, tag_key));
    const Token& tag = reader.token(found_at);
    if (tag.kind != TokenKind::String)
        return std::unexpected(reader.invalid_type(found_at, "a variant name"));
    std::string_view name = reader.string_of(tag);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return i;
    }
    return std::unexpected(reader.unknown_variant(found_at, name, names));
}

} // namespace chat::actions::json
