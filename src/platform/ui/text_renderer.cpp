#include "platform/ui/text_renderer.h"

#include <pango/pangocairo.h>

namespace ruvo_ui {

TextRenderer::TextRenderer()
    : m_font_map(pango_cairo_font_map_new())
    , m_context(pango_font_map_create_context(m_font_map))
{
}

TextRenderer::~TextRenderer()
{
    g_object_unref(m_context);
    g_object_unref(m_font_map);
}

} // namespace ruvo_ui
