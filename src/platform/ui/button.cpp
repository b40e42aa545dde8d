#include "platform/ui/button.h"

#include "platform/ui/paint.h"

namespace ruvo_ui {

void Button::paint(cairo_t* cr, TextRenderer& text, const Theme& theme, const Rect& rect,
                   std::string_view label, const ButtonLook& look)
{
    if (rect.empty())
        return;
    Painter painter(cr);
    Color fill;
    Color ink;
    bool lifted = look.hovered && !look.disabled;
    Color hover_toward =
        theme.mode == ThemeMode::Dark ? Color::rgb(0xffffff) : Color::rgb(0x000000);
    switch (look.kind) {
    case ButtonKind::Primary:
        fill = theme.accent;
        ink = theme.on_accent;
        if (lifted)
            fill = mix(fill, hover_toward, 0.12);
        break;
    case ButtonKind::Destructive:
        fill = theme.danger;
        ink = theme.on_danger;
        if (lifted)
            fill = mix(fill, hover_toward, 0.12);
        break;
    case ButtonKind::Plain:
        fill = look.active ? mix(Colors::lift(theme, 0.72), theme.accent, 0.35)
                           : Colors::lift(theme, 0.72);
        ink = theme.text;
        if (lifted)
            fill = Colors::lift(theme, 1.0);
        break;
    }
    if (look.pressed && !look.disabled)
        fill = mix(fill, Color::rgb(0x000000), 0.12);
    if (look.disabled) {
        fill = Colors::lift(theme, 0.35);
        ink = theme.muted_text.with_alpha(0.7);
    }
    painter.fill_rounded(rect, look.radius, fill);
    if (look.kind == ButtonKind::Plain || look.disabled)
        painter.outline(rect, look.radius, theme.edge, 1);
    double size = look.label_size > 0 ? look.label_size : theme.label_size;
    text.draw_centered(cr, label, rect, size, look.weight, ink);
}

} // namespace ruvo_ui
