#pragma once
// What a widget paints into during one draw: a cairo context already scaled so that one unit
// is one logical pixel, the logical size of the surface and the text scale the user chose.
// A Scene lives for one draw call on the UI thread.

#include <cairo.h>

#include "platform/ui/geometry.h"

namespace ruvo_ui {

class Scene {
public:
    Scene(cairo_t* cr, Size size, double device_scale, float text_scale)
        : m_cr(cr)
        , m_size(size)
        , m_device_scale(device_scale)
        , m_text_scale(text_scale)
    {
    }

    cairo_t* cr() const { return m_cr; }
    Size size() const { return m_size; }
    Rect bounds() const { return {0, 0, m_size.width, m_size.height}; }
    double device_scale() const { return m_device_scale; }
    float text_scale() const { return m_text_scale; }

private:
    cairo_t* m_cr;
    Size m_size;
    double m_device_scale;
    float m_text_scale;
};

} // namespace ruvo_ui
