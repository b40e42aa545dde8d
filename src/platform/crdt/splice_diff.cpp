#include <cstdint>
#include <optional>
#include <string>

#include "platform/crdt/bytes.h"
#include "platform/crdt/document.h"

namespace crdt {

namespace {

// Byte length of the UTF-8 sequence that starts with `lead` (1 for stray bytes).
std::size_t utf8_step(unsigned char lead)
{
    if (lead < 0xc0)
        return 1;
    if (lead < 0xe0)
        return 2;
    if (lead < 0xf0)
        return 3;
    return 4;
}

} // namespace

util::Result<void> splice_text_diffed(Document& doc, const ObjId& text, std::string_view new_text)
{
    auto current = doc.text(text);
    if (!current)
        return util::fail("object is not a text");
    if (!decode_utf8(new_text))
        return util::fail("text is not valid UTF-8");
    std::string_view old_text = *current;
    if (old_text == new_text)
        return {};
    // Common prefix, in whole scalar values.
    std::size_t prefix_bytes = 0;
    std::size_t prefix_chars = 0;
    while (prefix_bytes < old_text.size() && prefix_bytes < new_text.size()) {
        std::size_t step = utf8_step(static_cast<unsigned char>(old_text[prefix_bytes]));
        if (prefix_bytes + step > new_text.size() ||
            old_text.substr(prefix_bytes, step) != new_text.substr(prefix_bytes, step))
            break;
        prefix_bytes += step;
        ++prefix_chars;
    }
    // Common suffix of what is left, again in whole scalar values.
    std::size_t old_end = old_text.size();
    std::size_t new_end = new_text.size();
    while (old_end > prefix_bytes && new_end > prefix_bytes) {
        std::size_t start = old_end - 1;
        while (start > prefix_bytes && (static_cast<unsigned char>(old_text[start]) & 0xc0) == 0x80)
            --start;
        std::size_t step = old_end - start;
        if (new_end - prefix_bytes < step || old_text.substr(start, step) != new_text.substr(new_end - step, step))
            break;
        old_end -= step;
        new_end -= step;
    }
    std::size_t deleted = 0;
    for (std::size_t i = prefix_bytes; i < old_end; ++i)
        if ((static_cast<unsigned char>(old_text[i]) & 0xc0) != 0x80)
            ++deleted;
    return doc.splice_text(text, prefix_chars, deleted, new_text.substr(prefix_bytes, new_end - prefix_bytes));
}

} // namespace crdt
