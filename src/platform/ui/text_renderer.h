#pragma once
// Text shaping and drawing over pango. One TextRenderer per window or shot frame, used on the
// UI thread only.

#include <memory>

typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoContext PangoContext;

namespace ruvo_ui {

class TextRenderer {
public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    PangoContext* context() const { return m_context; }

private:
    PangoFontMap* m_font_map = nullptr;
    PangoContext* m_context = nullptr;
};

} // namespace ruvo_ui
