#pragma once
// The look of the interface: colour roles and metrics, in a dark and a light variant.

#include <string_view>

#include "platform/ui/color.h"

namespace ruvo_ui {

enum class ThemeMode {
    Dark,
    Light,
};

struct Theme {
    ThemeMode mode = ThemeMode::Dark;
    // The colour behind everything: what an empty window shows.
    Color window_surface;

    static Theme dark();
    static Theme light();
    static Theme for_mode(ThemeMode mode) { return mode == ThemeMode::Dark ? dark() : light(); }
};

} // namespace ruvo_ui
