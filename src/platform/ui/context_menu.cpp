#include "platform/ui/context_menu.h"

#include "platform/ui/paint.h"
#include "platform/ui/utf8.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>

namespace ruvo_ui {

namespace {
MenuResponse used(bool consumed)
{
    MenuResponse r;
    r.consumed = consumed;
    return r;
}
MenuResponse closing(bool consumed)
{
    MenuResponse r;
    r.consumed = consumed;
    r.close = true;
    return r;
}
MenuResponse chose(std::size_t index)
{
    MenuResponse r = closing(true);
    r.chosen = index;
    return r;
}
} // namespace

void ContextMenu::push(std::string label, Icon icon, bool destructive)
{
    m_items.push_back({utf8::sanitize(label, false), icon, destructive});
    if (m_open)
        m_rect.y1 = m_rect.y0 + 2 * padding + double(m_items.size()) * item_height;
}

void ContextMenu::open_at(Point point, double width)
{
    double h = 2 * padding + double(m_items.size()) * item_height;
    m_rect = Rect::from_size(point.x, point.y, std::max(width, 1.0), h);
    m_open = true;
    m_highlight.reset();
}

void ContextMenu::open_at_clamped(Point point, double width, const Rect& bounds)
{
    open_at(point, width);
    double w = m_rect.width(), h = m_rect.height();
    double x = point.x, y = point.y;
    if (x + w > bounds.x1)
        x = point.x - w >= bounds.x0 ? point.x - w : bounds.x1 - w;
    if (y + h > bounds.y1)
        y = point.y - h >= bounds.y0 ? point.y - h : bounds.y1 - h;
    x = std::max(x, bounds.x0);
    y = std::max(y, bounds.y0);
    m_rect = Rect::from_size(x, y, w, h);
}

Rect ContextMenu::item_rect(std::size_t index) const
{
    double top = m_rect.y0 + padding + double(index) * item_height;
    return {m_rect.x0 + padding, top, m_rect.x1 - padding, top + item_height};
}

std::optional<std::size_t> ContextMenu::item_at(Point p) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (item_rect(i).contains(p))
            return i;
    return std::nullopt;
}

void ContextMenu::move_highlight(int delta)
{
    if (m_items.empty())
        return;
    auto n = static_cast<long>(m_items.size());
    long next;
    if (!m_highlight)
        next = delta > 0 ? 0 : n - 1;
    else
        next = ((static_cast<long>(*m_highlight) + delta) % n + n) % n;
    m_highlight = static_cast<std::size_t>(next);
}

MenuResponse ContextMenu::handle_event(const Event& event)
{
    if (!m_open)
        return {};
    if (const auto* move = std::get_if<PointerMove>(&event)) {
        if (!m_rect.contains(move->position))
            return {};
        if (auto hit = item_at(move->position))
            m_highlight = hit;
        return used(true);
    }
    if (const auto* down = std::get_if<PointerDown>(&event)) {
        if (!m_rect.contains(down->position)) {
            m_open = false;
            return closing(false);
        }
        if (down->button == PointerButton::Primary) {
            if (auto hit = item_at(down->position)) {
                m_open = false;
                return chose(*hit);
            }
        }
        return used(true);
    }
    if (const auto* up = std::get_if<PointerUp>(&event))
        return used(m_rect.contains(up->position));
    if (const auto* wheel = std::get_if<Wheel>(&event))
        return used(m_rect.contains(wheel->position));
    if (const auto* key = std::get_if<KeyDown>(&event)) {
        const auto& k = key->key;
        if (k == "ArrowDown") {
            move_highlight(1);
            return used(true);
        }
        if (k == "ArrowUp") {
            move_highlight(-1);
            return used(true);
        }
        if (k == "Home" && !m_items.empty()) {
            m_highlight = 0;
            return used(true);
        }
        if (k == "End" && !m_items.empty()) {
            m_highlight = m_items.size() - 1;
            return used(true);
        }
        if (k == "Enter" || k == " ") {
            if (!m_highlight)
                return used(true);
            m_open = false;
            return chose(*m_highlight);
        }
        if (k == "Escape" || k == "Tab") {
            m_open = false;
            return closing(true);
        }
        return {};
    }
    if (std::holds_alternative<PointerLeave>(event)) {
        m_highlight.reset();
        return {};
    }
    return {};
}

AccessNode ContextMenu::accessibility() const
{
    AccessNode menu;
    menu.id = "context-menu";
    menu.role = AccessRole::Menu;
    menu.label = "Context menu";
    menu.rect = m_rect;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        AccessNode item;
        item.id = fmt::format("{}{}", id_prefix, i);
        item.role = AccessRole::MenuItem;
        item.label = m_items[i].label;
        item.rect = item_rect(i);
        item.states.destructive = m_items[i].destructive;
        item.states.selected = m_highlight == i;
        menu.children.push_back(std::move(item));
    }
    return menu;
}

MenuResponse ContextMenu::perform_semantic_action(std::string_view target,
                                                  const SemanticRequest& request)
{
    if (!m_open)
        return {};
    if (target == "context-menu") {
        if (request.action == SemanticAction::Dismiss) {
            m_open = false;
            return closing(true);
        }
        return {};
    }
    if (!target.starts_with(id_prefix))
        return {};
    auto digits = target.substr(id_prefix.size());
    std::size_t index = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
        index >= m_items.size())
        return {};
    switch (request.action) {
    case SemanticAction::Default:
    case SemanticAction::Click:
        m_open = false;
        return chose(index);
    case SemanticAction::Focus:
        m_highlight = index;
        return used(true);
    case SemanticAction::Dismiss:
        m_open = false;
        return closing(true);
    default:
        return {};
    }
}

void ContextMenu::draw(cairo_t* cr, TextRenderer& text, const Theme& theme) const
{
    if (!m_open)
        return;
    Painter painter(cr);
    constexpr double radius = 10;
    painter.shadow(m_rect, radius, theme, 16);
    painter.fill_rounded(m_rect, radius, theme.popover);
    painter.panel_border(m_rect, radius, theme);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const auto& item = m_items[i];
        Rect row = item_rect(i);
        Color ink = item.destructive ? theme.danger : theme.text;
        if (m_highlight == i) {
            Color fill =
                item.destructive ? theme.danger.with_alpha(0.16) : Colors::lift(theme, 0.8);
            painter.fill_rounded(row, 6, fill);
        }
        double x = row.x0 + 10;
        if (item.icon != Icon::None) {
            draw_icon(cr, item.icon, Rect::from_size(x, row.y0 + (item_height - 16) / 2, 16, 16),
                      item.destructive ? theme.danger : theme.muted_text);
            x += 26;
        }
        TextStyle style;
        style.size = theme.label_size;
        style.ellipsize_width = std::max(1.0, row.x1 - 10 - x);
        double h = text.line_height(style.size);
        text.draw_styled(cr, item.label, {x, row.y0 + (item_height - h) / 2}, style, ink);
    }
}

} // namespace ruvo_ui
