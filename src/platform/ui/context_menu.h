#pragma once
// A popup list of commands opened at a point. Geometry is fixed at open time (it does not
// depend on text measurement), so event handling is a pure function of the menu and the
// event. The owner hands every event to handle_event while the menu is open and acts on the
// response. UI thread.

#include "platform/ui/accessibility.h"
#include "platform/ui/event.h"
#include "platform/ui/geometry.h"
#include "platform/ui/icons.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvo_ui {

struct MenuItem {
    std::string label;
    Icon icon = Icon::None;
    bool destructive = false;
};

// What an event did to the menu.
struct MenuResponse {
    bool consumed = false;             // the menu used the event; nothing else should
    std::optional<std::size_t> chosen; // the item the user picked
    bool close = false;                // the menu wants to be dropped

    bool operator==(const MenuResponse&) const = default;
};

class ContextMenu {
  public:
    static constexpr double item_height = 32;
    static constexpr double padding = 6;
    static constexpr std::string_view id_prefix = "context-menu:item:";

    void push(std::string label, Icon icon = Icon::None, bool destructive = false);

    // Opens with the top-left corner at `point`.
    void open_at(Point point, double width);
    // Opens at `point`, moved (flipped above or left of the point first) so the whole menu lies
    // inside `bounds` where it fits.
    void open_at_clamped(Point point, double width, const Rect& bounds);
    void close() { m_open = false; }

    bool is_open() const { return m_open; }
    Rect rect() const { return m_rect; }
    const std::vector<MenuItem>& items() const { return m_items; }
    std::optional<std::size_t> highlighted() const { return m_highlight; }
    // The rectangle of item `index` (valid while open).
    Rect item_rect(std::size_t index) const;

    // Pointer: moves highlight items; a primary press on an item chooses it and closes; a press
    // outside closes without consuming (so the owner may act on it, e.g. open another menu).
    // Keys: ArrowUp/ArrowDown (wrapping), Home/End move the highlight; Enter or Space choose it;
    // Escape and Tab close. Other keys and text are left to the owner.
    MenuResponse handle_event(const Event& event);

    // Subtree: a Menu node "context-menu" with one MenuItem node per item, identified
    // "context-menu:item:<index>".
    AccessNode accessibility() const;
    // Default/Click/Focus on an item node choose it (Focus only highlights); Dismiss on the menu
    // closes. Unknown targets are not consumed.
    MenuResponse perform_semantic_action(std::string_view target, const SemanticRequest& request);

    void draw(cairo_t* cr, TextRenderer& text, const Theme& theme) const;

  private:
    std::optional<std::size_t> item_at(Point p) const;
    void move_highlight(int delta);

    std::vector<MenuItem> m_items;
    bool m_open = false;
    Rect m_rect;
    std::optional<std::size_t> m_highlight;
};

} // namespace ruvo_ui
