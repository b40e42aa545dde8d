#include "platform/ui/theme.h"

namespace ruvo_ui {

namespace {

// Raised-card colour that lift(1) reaches from the surface.
Color lift_target(const Theme& theme)
{
    return theme.mode == ThemeMode::Dark ? Color::rgb(0x41454f) : Color::rgb(0xd3d6dc);
}

} // namespace

Color Theme::on_surface(Color background) const
{
    if (background.with_alpha(1) == accent.with_alpha(1))
        return on_accent;
    if (background.with_alpha(1) == danger.with_alpha(1))
        return on_danger;
    Color bg = composite(background, window_surface);
    Color light_ink = mode == ThemeMode::Dark ? text : window_surface;
    Color dark_ink = mode == ThemeMode::Dark ? window_surface : text;
    return contrast_ratio(light_ink, bg) >= contrast_ratio(dark_ink, bg) ? light_ink : dark_ink;
}

Color Theme::presence_color(int presence) const
{
    switch (presence) {
    case 0:
        return online;
    case 1:
        return idle;
    case 2:
        return danger;
    default:
        return offline;
    }
}

Theme Theme::dark()
{
    Theme theme;
    theme.mode = ThemeMode::Dark;
    theme.window_surface = Color::rgb(0x1b1d22);
    theme.rail = Color::rgb(0x111317);
    theme.panel = Color::rgb(0x16181d);
    theme.surface = Color::rgb(0x25282f);
    theme.popover = Color::rgb(0x23262d);
    theme.accent = Color::rgb(0x5865f2);
    theme.on_accent = Color::rgb(0xffffff);
    theme.accent_text = Color::rgb(0x9fa6f8);
    theme.accent_label = Color::rgb(0xc3c8fb);
    theme.text = Color::rgb(0xe9eaee);
    theme.muted_text = Color::rgb(0xa8adb9);
    theme.danger = Color::rgb(0xe5484d);
    theme.on_danger = Color::rgb(0xffffff);
    theme.scrim = Color::rgb(0x000000);
    theme.focus = Color::rgb(0x7c86f5);
    theme.edge = Color{1, 1, 1, 0.08};
    theme.shadow = Color{0, 0, 0, 0.45};
    theme.selection = Color{0.35, 0.40, 0.95, 0.45};
    theme.online = Color::rgb(0x3ba55d);
    theme.idle = Color::rgb(0xf0b232);
    theme.offline = Color::rgb(0x80848e);
    theme.avatar_palette = {Color::rgb(0x5865f2), Color::rgb(0x3ba55d), Color::rgb(0xe67e22),
                            Color::rgb(0xd9467a), Color::rgb(0x1e9bb8), Color::rgb(0x9b59b6),
                            Color::rgb(0xc0962b), Color::rgb(0x607d8b)};
    return theme;
}

Theme Theme::light()
{
    Theme theme = dark();
    theme.mode = ThemeMode::Light;
    theme.window_surface = Color::rgb(0xffffff);
    theme.rail = Color::rgb(0xe3e5e8);
    theme.panel = Color::rgb(0xf2f3f5);
    theme.surface = Color::rgb(0xebedf0);
    theme.popover = Color::rgb(0xffffff);
    theme.accent = Color::rgb(0x4752c4);
    theme.accent_text = Color::rgb(0x3c46b0);
    theme.accent_label = Color::rgb(0x2f3796);
    theme.text = Color::rgb(0x1d1f24);
    theme.muted_text = Color::rgb(0x525766);
    theme.danger = Color::rgb(0xd22d39);
    theme.focus = Color::rgb(0x4752c4);
    theme.edge = Color{0, 0, 0, 0.11};
    theme.shadow = Color{0.05, 0.07, 0.12, 0.22};
    theme.selection = Color{0.28, 0.32, 0.77, 0.28};
    theme.online = Color::rgb(0x23a55a);
    theme.idle = Color::rgb(0xd79a14);
    theme.offline = Color::rgb(0x80848e);
    return theme;
}

Color Colors::lift(const Theme& theme, double amount)
{
    return mix(theme.surface, lift_target(theme), amount);
}

} // namespace ruvo_ui
