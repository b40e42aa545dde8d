#include "platform/ui/tooltip.h"

#include "platform/ui/paint.h"

#include <algorithm>

namespace ruvo_ui {

namespace {
constexpr double max_width = 320;
constexpr double pad_x = 9;
constexpr double pad_y = 6;
constexpr double offset = 16;
} // namespace

TooltipHost::TooltipHost(std::chrono::milliseconds delay) : m_delay(delay) {}

void TooltipHost::set_target(Point pointer, std::string text, Instant now)
{
    if (text.empty()) {
        clear();
        return;
    }
    m_pointer = pointer;
    if (m_text && *m_text == text)
        return;
    bool was_showing = m_showing;
    m_text = std::move(text);
    m_since = now;
    m_showing = was_showing;
}

void TooltipHost::clear()
{
    m_text.reset();
    m_showing = false;
}

void TooltipHost::tick(Instant now)
{
    if (m_text && !m_showing && now - m_since >= m_delay)
        m_showing = true;
}

std::optional<Instant> TooltipHost::due() const
{
    if (!is_pending())
        return std::nullopt;
    return m_since + m_delay;
}

std::optional<Rect> TooltipHost::rect(TextRenderer& text, const Theme& theme,
                                      const Rect& bounds) const
{
    if (!m_showing || !m_text)
        return std::nullopt;
    TextStyle style;
    style.size = theme.small_size + 1;
    style.wrap_width = max_width;
    TextSize size = text.measure_styled(*m_text, style);
    double w = size.width + 2 * pad_x, h = size.height + 2 * pad_y;
    double x = m_pointer.x + offset * 0.5, y = m_pointer.y + offset * 1.3;
    if (x + w > bounds.x1 - 4)
        x = bounds.x1 - 4 - w;
    if (y + h > bounds.y1 - 4)
        y = m_pointer.y - offset * 0.6 - h;
    x = std::max(x, bounds.x0 + 4);
    y = std::max(y, bounds.y0 + 4);
    return Rect::from_size(x, y, w, h);
}

void TooltipHost::draw(cairo_t* cr, TextRenderer& text, const Theme& theme,
                       const Rect& bounds) const
{
    auto box = rect(text, theme, bounds);
    if (!box)
        return;
    Painter painter(cr);
    painter.shadow(*box, 7, theme, 10, 0.8);
    Color fill = theme.mode == ThemeMode::Dark ? Color::rgb(0x0e0f12) : Color::rgb(0x23262d);
    painter.fill_rounded(*box, 7, fill);
    painter.panel_border(*box, 7, theme);
    TextStyle style;
    style.size = theme.small_size + 1;
    style.wrap_width = max_width;
    text.draw_styled(cr, *m_text, {box->x0 + pad_x, box->y0 + pad_y}, style, Color::rgb(0xf2f3f5));
}

} // namespace ruvo_ui
