#include "actions/json_writer.h"

#include "platform/util/fatal.h"

namespace chat::actions::json {

// Length of the well-formed sequence starting at text[i], or 0 if it is ill-formed. The
// second-byte ranges exclude overlong forms (E0, F0), surrogates (ED) and values above
// U+10FFFF (F4).
static std::size_t valid_sequence_length(std::string_view text, std::size_t i)
{
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool is_valid_utf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII are the common case; take them eight bytes at a time.
        while (i + 8 <= text.size()) {
            std::uint64_t chunk;
            __builtin_memcpy(&chunk, text.data() + i, 8);
            if (chunk & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= text.size())
            break;
        std::size_t length = valid_sequence_length(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// Length of the maximal ill-formed subsequence at text[i]: the longest prefix of a well-formed
// sequence, at least one byte. Replacing each such run by one U+FFFD is the usual practice.
static std::size_t ill_formed_length(std::string_view text, std::size_t i)
{
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 1;
    }
    std::size_t taken = 1;
    if (i + 1 < text.size() && byte(i + 1) >= low && byte(i + 1) <= high) {
        taken = 2;
        while (taken < length && i + taken < text.size() && (byte(i + taken) & 0xC0) == 0x80)
            ++taken;
    }
    return taken;
}

std::string repair_utf8(std::string_view text)
{
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = valid_sequence_length(text, i);
        if (length > 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out.append(replacement);
            i += ill_formed_length(text, i);
        }
    }
    return out;
}

void fail_encoding(std::string_view fatal_message)
{
    util::fatal(fatal_message);
}

TextWriter::TextWriter(std::size_t initial_capacity)
    : m_buffer(nullptr, initial_capacity), m_writer(m_buffer), m_emitter(m_writer)
{
}

std::string TextWriter::take(std::string_view fatal_message)
{
    if (!m_emitter.ok() || !m_writer.IsComplete())
        fail_encoding(fatal_message);
    return std::string(m_buffer.GetString(), m_buffer.GetSize());
}

} // namespace chat::actions::json
