#include "platform/ui/avatar.h"

#include "platform/ui/paint.h"
#include "platform/ui/utf8.h"

#include <glib.h>

namespace ruvo_ui {

namespace {

// First letter or digit of a word, upper-cased, as UTF-8; empty when there is none.
std::string first_alnum(std::string_view word)
{
    const char* p = word.data();
    const char* end = word.data() + word.size();
    while (p < end) {
        gunichar c = g_utf8_get_char(p);
        if (g_unichar_isalnum(c)) {
            char out[8] = {};
            int n = g_unichar_to_utf8(g_unichar_toupper(c), out);
            return std::string(out, std::size_t(n));
        }
        p = g_utf8_next_char(p);
    }
    return {};
}

} // namespace

std::string Avatar::initials_for_name(std::string_view name)
{
    std::string clean = utf8::sanitize(name, false);
    std::vector<std::string> letters;
    const char* p = clean.data();
    const char* end = clean.data() + clean.size();
    while (p < end) {
        while (p < end && g_unichar_isspace(g_utf8_get_char(p)))
            p = g_utf8_next_char(p);
        const char* start = p;
        while (p < end && !g_unichar_isspace(g_utf8_get_char(p)))
            p = g_utf8_next_char(p);
        if (p == start)
            continue;
        std::string_view word(start, std::size_t(p - start));
        // "Jean-Luc" counts as one word; its hyphen does not start a new initial.
        if (auto letter = first_alnum(word); !letter.empty())
            letters.push_back(std::move(letter));
    }
    if (letters.empty())
        return {};
    if (letters.size() == 1)
        return letters.front();
    return letters.front() + letters.back();
}

void Avatar::draw_at(cairo_t* cr, TextRenderer& text, const Theme& theme, Point center,
                     double radius, std::string_view initials, Color fill)
{
    if (radius <= 0)
        return;
    Painter painter(cr);
    painter.fill_circle(center, radius, fill);
    if (initials.empty())
        return;
    Color ink = contrast_ratio(Color::rgb(0xffffff), fill) >= contrast_ratio(theme.text, fill)
                    ? Color::rgb(0xffffff)
                    : theme.text;
    if (contrast_ratio(ink, fill) < contrast_ratio(Color::rgb(0x111111), fill))
        ink = Color::rgb(0x111111);
    // The renderer scales sizes by the text scale; the disc does not, so divide it out.
    double size = radius * (initials.size() > 2 ? 0.78 : 0.86) / text.scale();
    Rect box{center.x - radius, center.y - radius, center.x + radius, center.y + radius};
    text.draw_centered(cr, initials, box, size, 2, ink);
}

} // namespace ruvo_ui
