#include "platform/ui/rich_text.h"

#include "platform/ui/utf8.h"

namespace ruvo_ui {

void RichTextLayout::push(std::string_view text, Color color, std::optional<Color> background,
                          int weight)
{
    if (text.empty())
        return;
    m_spans.push_back({utf8::sanitize(text), color, background, weight});
}

std::string RichTextLayout::plain_text() const
{
    std::string out;
    for (const auto& span : m_spans)
        out += span.text;
    return out;
}

} // namespace ruvo_ui
