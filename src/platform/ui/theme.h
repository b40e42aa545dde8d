#pragma once
// The look of the interface: colour roles, text sizes and spacing metrics, in a dark and a
// light variant. A Theme is a plain value; copy it freely on any thread.

#include "platform/ui/color.h"

#include <array>
#include <string>

namespace ruvo_ui {

enum class ThemeMode {
    Dark,
    Light,
};

struct Theme {
    ThemeMode mode = ThemeMode::Dark;
    // The colour behind everything: what an empty window shows (the conversation column).
    Color window_surface;

    // Backgrounds, from the outermost chrome inwards.
    Color rail;    // navigation rail
    Color panel;   // sidebar list and details pane
    Color surface; // buttons, chips, the composer box
    Color popover; // floating panels and menus

    Color accent;       // selection bars, badges, primary buttons
    Color on_accent;    // text and glyphs drawn on an accent fill
    Color accent_text;  // accent-coloured text on the window surface and panels
    Color accent_label; // labels on accent-tinted chips
    Color text;
    Color muted_text;
    Color danger;
    Color on_danger;
    Color scrim; // backdrop behind modal things; callers scale its alpha
    Color focus; // focused input outline and the keyboard focus ring
    Color edge;  // translucent hairline that separates a surface from what is below it
    Color shadow;
    Color selection; // selected text in an input, translucent

    // Presence dots; "do not disturb" uses `danger`.
    Color online;
    Color idle;
    Color offline;

    // Avatar fills by colour index (index & 7).
    std::array<Color, 8> avatar_palette;

    // Text sizes in logical pixels before the text scale.
    double body_size = 14;
    double label_size = 13;
    double title_size = 16;
    double small_size = 11;

    // Spacing metrics in logical pixels.
    double pad = 6;
    double gap = 8;
    double spacing = 10;
    double inset = 12;
    double control_height = 36;
    double corner_radius = 8;

    // Font families, named explicitly so fontconfig's idea of "sans" never decides.
    std::string ui_font = "Inter";
    std::string symbol_font = "DejaVu Sans";
    std::string emoji_font = "Noto Color Emoji";

    Color avatar_color(int color_index) const
    {
        return avatar_palette[static_cast<unsigned>(color_index) & 7u];
    }
    // The colour for text on a fill of `background`: `on_accent` on the accent, `on_danger` on
    // danger, otherwise `text` or its opposite, whichever reads better.
    Color on_surface(Color background) const;
    // Presence dot colour for presence 0 online, 1 idle, 2 do not disturb, 3 offline.
    Color presence_color(int presence) const;

    static Theme dark();
    static Theme light();
    static Theme for_mode(ThemeMode mode) { return mode == ThemeMode::Dark ? dark() : light(); }
};

struct Colors {
    // The surface tinted towards a raised look by `amount` (0 = the surface itself, 1 = the
    // strongest lift the theme has). Used for cards, chips and plain buttons.
    static Color lift(const Theme& theme, double amount);
};

} // namespace ruvo_ui
