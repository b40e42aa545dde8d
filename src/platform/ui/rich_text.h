#pragma once
// Text made of spans that each carry their own colour, optional highlight background and
// weight (mentions in a message). A plain value built on the UI thread and handed to
// TextRenderer::draw_rich / measure_rich.

#include "platform/ui/color.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo_ui {

struct RichSpan {
    std::string text;
    Color color;
    std::optional<Color> background;
    int weight = 0;

    bool operator==(const RichSpan&) const = default;
};

class RichTextLayout {
  public:
    // Appends a span; empty texts are skipped. Text is cleaned of invalid UTF-8 and control
    // characters as it is added.
    void push(std::string_view text, Color color, std::optional<Color> background = std::nullopt,
              int weight = 0);

    const std::vector<RichSpan>& spans() const { return m_spans; }
    // The spans' texts joined.
    std::string plain_text() const;
    bool empty() const { return m_spans.empty(); }

    bool operator==(const RichTextLayout&) const = default;

  private:
    std::vector<RichSpan> m_spans;
};

} // namespace ruvo_ui
