#include "platform/crdt/bytes.h"

namespace crdt {

std::optional<std::u32string> decode_utf8(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    auto* s = reinterpret_cast<const unsigned char*>(text.data());
    while (i < text.size()) {
        unsigned char b = s[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int extra;
        char32_t c;
        char32_t min;
        if ((b & 0xe0) == 0xc0) {
            extra = 1, c = b & 0x1f, min = 0x80;
        } else if ((b & 0xf0) == 0xe0) {
            extra = 2, c = b & 0x0f, min = 0x800;
        } else if ((b & 0xf8) == 0xf0) {
            extra = 3, c = b & 0x07, min = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + extra >= text.size())
            return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cb = s[i + k];
            if ((cb & 0xc0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (cb & 0x3f);
        }
        if (c < min || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff))
            return std::nullopt;
        out.push_back(c);
        i += extra + 1;
    }
    return out;
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
}

std::string encode_utf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        append_utf8(out, c);
    return out;
}

} // namespace crdt
