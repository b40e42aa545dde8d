#pragma once
// The framework's small icon set, drawn as vector strokes so they take any colour and stay
// crisp at any scale. UI thread (draws into a cairo context).

#include "platform/ui/color.h"
#include "platform/ui/geometry.h"

typedef struct _cairo cairo_t;

namespace ruvo_ui {

enum class Icon {
    None,
    Edit,
    Delete,
    ArrowUp,
    ArrowDown,
    Add,
    Collapse,
    Archive,
    Pin,
    Folder,
    Hash,
    Speaker,
};

// Draws `icon` centred in `box` in `color`.
void draw_icon(cairo_t* cr, Icon icon, const Rect& box, Color color);

} // namespace ruvo_ui
