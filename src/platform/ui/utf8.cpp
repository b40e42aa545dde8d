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

bool is_control(std::uint32_t cp)
{
    return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0);
}

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
        if (len == 0 || cp == '\r' || (cp == '\n' && !keep_newlines) ||
            (cp != '\n' && cp != '\t' && is_control(cp)))
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

namespace {

bool joins_neighbours(std::uint32_t cp)
{
    return cp == 0x200D || (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0x1F3FB && cp <= 0x1F3FF) ||
           (cp >= 0x1F1E6 && cp <= 0x1F1FF) || (cp >= 0xE0020 && cp <= 0xE007F) ||
           (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) ||
           (cp >= 0x1DC0 && cp <= 0x1DFF) || (cp >= 0x20D0 && cp <= 0x20FF) ||
           (cp >= 0xFE20 && cp <= 0xFE2F) || (cp >= 0x0483 && cp <= 0x0489) ||
           (cp >= 0x0591 && cp <= 0x05C7) || (cp >= 0x0610 && cp <= 0x061A) ||
           (cp >= 0x064B && cp <= 0x065F) || (cp >= 0x0900 && cp <= 0x0DFF) ||
           (cp >= 0x1100 && cp <= 0x11FF) || cp == 0x034F;
}

bool is_space(std::uint32_t cp)
{
    return cp == ' ' || cp == '\t' || cp == '\n' || cp == 0x3000 || cp == 0x200B;
}

} // namespace

std::string with_break_opportunities(std::string_view text, std::vector<std::size_t>* inserted_at,
                                     std::size_t every)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    if (every == 0)
        every = 16;
    std::size_t run = 0;
    std::uint32_t previous = ' ';
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint32_t cp = 0;
        std::size_t len = decode(text, i, cp);
        if (len == 0) {
            len = 1;
            cp = 0xFFFD;
        }
        if (is_space(cp)) {
            run = 0;
        } else {
            if (run >= every && !joins_neighbours(cp) && !joins_neighbours(previous)) {
                out += "\xE2\x80\x8B";
                if (inserted_at)
                    inserted_at->push_back(i);
                run = 0;
            }
            ++run;
        }
        out.append(text.substr(i, len));
        previous = cp;
        i += len;
    }
    return out;
}

} // namespace ruvo_ui::utf8
