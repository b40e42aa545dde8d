#pragma once
// Round avatars with a person's initials. Stateless; UI thread (it draws through the renderer).

#include "platform/ui/color.h"
#include "platform/ui/geometry.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"

#include <string>
#include <string_view>

namespace ruvo_ui {

struct Avatar {
    // Up to two upper-case initials: the first letter or digit of the first word and of the
    // last word ("Ada Lovelace" -> "AL", "grace" -> "G", "Jean-Luc Picard" -> "JP"). Words are
    // split at white space; leading marks that are not letters or digits ("@ada", "(bot)") are
    // skipped. Returns "" when the name has no letter or digit at all; any bytes are accepted.
    static std::string initials_for_name(std::string_view name);

    // A disc of `radius` in `fill` centred at `center`, with the initials centred in the
    // colour that reads best on the fill. The text size follows the radius.
    static void draw_at(cairo_t* cr, TextRenderer& text, const Theme& theme, Point center,
                        double radius, std::string_view initials, Color fill);
};

} // namespace ruvo_ui
