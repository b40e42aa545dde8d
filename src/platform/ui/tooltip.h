#pragma once
// Hover tooltips: the widget tells the host what the pointer is over on every move; the host
// shows the text after the pointer has rested on the same target for a delay, and paints it
// near the pointer, kept inside the window. Time is passed in. UI thread.

#include "platform/ui/geometry.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"
#include "platform/ui/transition.h"

#include <chrono>
#include <optional>
#include <string>

namespace ruvo_ui {

class TooltipHost {
  public:
    explicit TooltipHost(std::chrono::milliseconds delay = std::chrono::milliseconds(600));

    // The pointer is over something with this tooltip. The same text keeps the countdown (the
    // tooltip follows the pointer); a new text restarts it, or switches at once when a tooltip
    // is already showing. An empty text is the same as clear().
    void set_target(Point pointer, std::string text, Instant now);
    void clear();

    // Advances the countdown; call once per draw.
    void tick(Instant now);

    bool is_pending() const { return m_text.has_value() && !m_showing; }
    bool is_showing() const { return m_showing; }
    std::optional<std::string> text() const { return m_text; }
    // When a pending tooltip is due; none when nothing is pending.
    std::optional<Instant> due() const;

    // Paints the showing tooltip (nothing otherwise) below-right of the pointer, flipped and
    // clamped to stay inside `bounds`.
    void draw(cairo_t* cr, TextRenderer& text, const Theme& theme, const Rect& bounds) const;
    // Where draw would paint, for tests and hit avoidance; none when not showing.
    std::optional<Rect> rect(TextRenderer& text, const Theme& theme, const Rect& bounds) const;

  private:
    std::chrono::milliseconds m_delay;
    std::optional<std::string> m_text;
    Point m_pointer;
    Instant m_since{};
    bool m_showing = false;
};

} // namespace ruvo_ui
