#pragma once
// Push buttons painted in one of the framework's looks. Stateless: the caller keeps hover
// and enabled state and registers the hit region itself. UI thread.

#include "platform/ui/geometry.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"

#include <string_view>

namespace ruvo_ui {

enum class ButtonKind {
    Primary,     // accent fill, for the action a form exists for
    Plain,       // lifted surface
    Destructive, // danger fill
};

struct ButtonLook {
    ButtonKind kind = ButtonKind::Plain;
    bool hovered = false;
    bool pressed = false;
    bool disabled = false; // drawn flat and faded; hover has no effect
    bool active = false;   // a toggle that is on: plain buttons take the accent tint
    double radius = 8;
    double label_size = 0; // 0 = the theme's label size
    int weight = 1;
};

struct Button {
    static void paint(cairo_t* cr, TextRenderer& text, const Theme& theme, const Rect& rect,
                      std::string_view label, const ButtonLook& look = {});
};

} // namespace ruvo_ui
