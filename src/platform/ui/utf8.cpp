#include "platform/ui/utf8.h"

#include <cstdint>

namespace ruvo_ui::utf8 {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

// Decodes one code point at `i`; returns its length, or 0 for an invalid sequence.
std::size_t decode(std::string_view s, std::size_t i, std::uint32_t& cp)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    std::uint32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

bool is_control(std::uint32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0); }

} // namespace

std::string sanitize(std::string_view text, bool keep_newlines)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint32_t cp = 0;
        std::size_t len = decode(text, i, cp);
        if (len == 0) {
            out += replacement;
            ++i;
            continue;
        }
        if (cp == '\r') {
            out += keep_newlines ? '\n' : ' ';
            i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        if (cp == '\n') {
            out += keep_newlines ? '\n' : ' ';
        } else if (cp == '\t') {
            out += '\t';
        } else if (is_control(cp)) {
            out += replacement;
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out;
}

bool is_clean(std::string_view text, bool keep_newlines)
{
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint32_t cp = 0;
        std::size_t len = decode(text, i, cp);
        if (len == 0 || cp == '\r' || (cp == '\n' && !keep_newlines) || (cp != '\n' && cp != '\t' && is_control(cp)))
            return false;
        i += len;
    }
    return true;
}

std::size_t count_code_points(std::string_view text)
{
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::size_t floor_boundary(std::string_view text, std::size_t offset)
{
    if (offset >= text.size())
        return text.size();
    while (offset > 0 && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80)
        --offset;
    return offset;
}

} // namespace ruvo_ui::utf8
