#pragma once
// UTF-8 helpers for text that may come from anywhere (other peers, the clipboard, an input
// method). Pure functions, any thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo_ui::utf8 {

// Returns `text` as valid UTF-8 that a shaper can take: each invalid sequence (stray bytes,
// overlong forms, surrogates, code points past U+10FFFF) becomes U+FFFD, NUL and other control
// characters except tab and line feed become U+FFFD, and "\r\n" or a lone "\r" become "\n".
// When `keep_newlines` is false a line feed becomes a space (single-line fields).
std::string sanitize(std::string_view text, bool keep_newlines = true);

// Whether `text` is already what sanitize would return.
bool is_clean(std::string_view text, bool keep_newlines = true);

// Number of code points in valid UTF-8.
std::size_t count_code_points(std::string_view text);

// Byte offset of the code point boundary at or before `offset` (valid UTF-8).
std::size_t floor_boundary(std::string_view text, std::size_t offset);

// The shaper breaks an unbroken run of characters (a pasted hash, 100,000 "x") in time that
// grows with the square of its length. This returns valid UTF-8 `text` with a zero-width space
// inserted every `every` characters inside runs longer than that with no space, never inside a
// cluster (combining marks, joiners, variation selectors, emoji modifiers, flags). When
// `inserted_at` is given it receives, in order, the byte offsets of the original text before
// which a zero-width space was inserted.
std::string with_break_opportunities(std::string_view text,
                                     std::vector<std::size_t>* inserted_at = nullptr,
                                     std::size_t every = 16);

// The three bytes of the zero-width space the function above inserts.
inline constexpr std::size_t break_opportunity_bytes = 3;

} // namespace ruvo_ui::utf8
