#include "platform/ui/theme.h"

namespace ruvo_ui {

Theme Theme::dark()
{
    Theme theme;
    theme.mode = ThemeMode::Dark;
    theme.window_surface = Color::rgb(0x1b1d22);
    return theme;
}

Theme Theme::light()
{
    Theme theme;
    theme.mode = ThemeMode::Light;
    theme.window_surface = Color::rgb(0xf6f7f9);
    return theme;
}

} // namespace ruvo_ui
