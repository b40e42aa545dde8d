#include "platform/ui/text_input.h"

#include "platform/ui/clipboard.h"
#include "platform/ui/paint.h"
#include "platform/ui/utf8.h"

#include <algorithm>
#include <cmath>
#include <pango/pangocairo.h>
#include <utility>

namespace ruvo_ui {

namespace {

constexpr unsigned char cursor_flag = 1;
constexpr unsigned char word_start_flag = 2;
constexpr unsigned char word_end_flag = 4;
constexpr std::size_t undo_limit = 200;
constexpr double pad_x = 11;
constexpr auto blink_half_period = std::chrono::milliseconds(530);

bool is_key(const KeyDown& key, std::string_view name)
{
    return key.key == name;
}

bool is_letter_key(const KeyDown& key, char lower)
{
    return key.key.size() == 1 && (key.key[0] == lower || key.key[0] == lower - 'a' + 'A');
}

} // namespace

TextInput::TextInput(InputMode mode) : m_mode(mode)
{
    refresh_boundaries();
}

TextInput::~TextInput()
{
    if (m_layout)
        g_object_unref(m_layout);
}

TextInput::TextInput(TextInput&& other) noexcept : TextInput(other.m_mode)
{
    *this = std::move(other);
}

TextInput& TextInput::operator=(TextInput&& other) noexcept
{
    if (this == &other)
        return *this;
    if (m_layout)
        g_object_unref(m_layout);
    m_mode = other.m_mode;
    m_text = std::move(other.m_text);
    m_placeholder = std::move(other.m_placeholder);
    m_local_author = std::move(other.m_local_author);
    m_composition = std::move(other.m_composition);
    m_max_bytes = other.m_max_bytes;
    m_caret = other.m_caret;
    m_anchor = other.m_anchor;
    m_dirty = other.m_dirty;
    m_focused = other.m_focused;
    m_dragging = other.m_dragging;
    m_blink_start = other.m_blink_start;
    m_rect = other.m_rect;
    m_undo = std::move(other.m_undo);
    m_redo = std::move(other.m_redo);
    m_last_edit = other.m_last_edit;
    m_boundary_flags = std::move(other.m_boundary_flags);
    m_layout = std::exchange(other.m_layout, nullptr);
    m_layout_text = std::move(other.m_layout_text);
    m_content_height = other.m_content_height;
    m_line_height = other.m_line_height;
    m_scroll_x = other.m_scroll_x;
    m_scroll_y = other.m_scroll_y;
    m_font_size = other.m_font_size;
    other.refresh_boundaries();
    return *this;
}

std::string TextInput::clean(std::string_view text) const
{
    return utf8::sanitize(text, m_mode == InputMode::MultiLine);
}

void TextInput::refresh_boundaries()
{
    m_boundary_flags.assign(m_text.size() + 1, 0);
    auto chars = utf8::count_code_points(m_text);
    std::vector<PangoLogAttr> attrs(chars + 1);
    pango_get_log_attrs(m_text.data(), int(m_text.size()), -1, pango_language_get_default(),
                        attrs.data(), int(attrs.size()));
    std::size_t byte = 0;
    for (std::size_t i = 0; i <= chars; ++i) {
        unsigned char flags = 0;
        if (attrs[i].is_cursor_position)
            flags |= cursor_flag;
        if (attrs[i].is_word_start)
            flags |= word_start_flag;
        if (attrs[i].is_word_end)
            flags |= word_end_flag;
        m_boundary_flags[byte] = flags;
        if (byte < m_text.size())
            byte += std::size_t(g_utf8_next_char(m_text.data() + byte) - (m_text.data() + byte));
    }
    m_boundary_flags[0] |= cursor_flag;
    m_boundary_flags[m_text.size()] |= cursor_flag;
}

std::size_t TextInput::prev_cursor(std::size_t offset) const
{
    if (offset == 0)
        return 0;
    std::size_t p = std::min(offset, m_text.size()) - 1;
    while (p > 0 && !(m_boundary_flags[p] & cursor_flag))
        --p;
    return p;
}

std::size_t TextInput::next_cursor(std::size_t offset) const
{
    if (offset >= m_text.size())
        return m_text.size();
    std::size_t p = offset + 1;
    while (p < m_text.size() && !(m_boundary_flags[p] & cursor_flag))
        ++p;
    return p;
}

std::size_t TextInput::prev_word(std::size_t offset) const
{
    std::size_t p = prev_cursor(offset);
    while (p > 0 && !(m_boundary_flags[p] & word_start_flag))
        p = prev_cursor(p);
    return p;
}

std::size_t TextInput::next_word(std::size_t offset) const
{
    std::size_t p = next_cursor(offset);
    while (p < m_text.size() && !(m_boundary_flags[p] & word_end_flag))
        p = next_cursor(p);
    return p;
}

std::size_t TextInput::line_start(std::size_t offset) const
{
    if (m_layout && m_layout_text == m_text && m_composition.empty()) {
        int line = 0, x = 0;
        pango_layout_index_to_line_x(m_layout, to_layout(offset), FALSE, &line, &x);
        if (PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout, line))
            return from_layout(l->start_index);
    }
    auto nl = offset == 0 ? std::string::npos : m_text.rfind('\n', offset - 1);
    return nl == std::string::npos ? 0 : nl + 1;
}

std::size_t TextInput::line_end(std::size_t offset) const
{
    if (m_layout && m_layout_text == m_text && m_composition.empty()) {
        int line = 0, x = 0;
        pango_layout_index_to_line_x(m_layout, to_layout(offset), FALSE, &line, &x);
        if (PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout, line)) {
            std::size_t end = from_layout(l->start_index + l->length);
            // A wrapped line ends before the space it broke at; a hard line before its "\n".
            bool last = line + 1 >= pango_layout_get_line_count(m_layout);
            if (!last && end > from_layout(l->start_index) && end <= m_text.size() &&
                m_text[end - 1] == ' ')
                return end - 1;
            return std::min(end, m_text.size());
        }
    }
    auto nl = m_text.find('\n', offset);
    return nl == std::string::npos ? m_text.size() : nl;
}

std::optional<std::size_t> TextInput::vertical(std::size_t offset, int direction) const
{
    if (m_layout && m_layout_text == m_text && m_composition.empty()) {
        int line = 0, x = 0;
        pango_layout_index_to_line_x(m_layout, to_layout(offset), FALSE, &line, &x);
        int target = line + direction;
        if (target < 0 || target >= pango_layout_get_line_count(m_layout))
            return std::nullopt;
        PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout, target);
        int index = 0, trailing = 0;
        pango_layout_line_x_to_index(l, x, &index, &trailing);
        std::size_t result = from_layout(index);
        for (int i = 0; i < trailing; ++i)
            result = next_cursor(result);
        // x_to_index may land past a wrapped line's end; stay on that line.
        return std::min(result, from_layout(l->start_index + l->length));
    }
    // Without a layout, move by hard lines keeping the column in characters.
    std::size_t start = line_start(offset);
    std::size_t column =
        utf8::count_code_points(std::string_view(m_text).substr(start, offset - start));
    std::size_t target_start;
    if (direction < 0) {
        if (start == 0)
            return std::nullopt;
        target_start = line_start(start - 1);
    } else {
        std::size_t end = line_end(offset);
        if (end >= m_text.size())
            return std::nullopt;
        target_start = end + 1;
    }
    std::size_t target_end = line_end(target_start);
    std::size_t p = target_start;
    for (std::size_t i = 0; i < column && p < target_end; ++i)
        p = next_cursor(p);
    return std::min(p, target_end);
}

void TextInput::set_text(std::string_view text)
{
    std::string cleaned = clean(text);
    if (cleaned.size() > m_max_bytes)
        cleaned.resize(utf8::floor_boundary(cleaned, m_max_bytes));
    if (cleaned == m_text)
        return;
    m_text = std::move(cleaned);
    m_caret = m_anchor = m_text.size();
    m_composition.clear();
    m_undo.clear();
    m_redo.clear();
    m_last_edit = EditKind::Other;
    refresh_boundaries();
}

void TextInput::set_caret(std::size_t offset)
{
    offset = std::min(offset, m_text.size());
    while (offset > 0 && !(m_boundary_flags[offset] & cursor_flag))
        --offset;
    m_caret = m_anchor = offset;
    m_last_edit = EditKind::Other;
}

Selection TextInput::selection() const
{
    return {std::min(m_caret, m_anchor), std::max(m_caret, m_anchor)};
}

void TextInput::select(std::size_t anchor, std::size_t caret)
{
    set_caret(anchor);
    std::size_t a = m_caret;
    set_caret(caret);
    m_anchor = a;
}

void TextInput::select_all()
{
    m_anchor = 0;
    m_caret = m_text.size();
}

std::string TextInput::selected_text() const
{
    auto s = selection();
    return m_text.substr(s.start, s.end - s.start);
}

void TextInput::push_undo(EditKind kind)
{
    bool coalesce = kind != EditKind::Other && kind == m_last_edit && m_caret == m_anchor;
    m_last_edit = kind;
    if (coalesce)
        return;
    m_undo.push_back({m_text, m_caret, m_anchor});
    if (m_undo.size() > undo_limit)
        m_undo.erase(m_undo.begin());
    m_redo.clear();
}

void TextInput::replace_range(std::size_t start, std::size_t end, std::string_view replacement,
                              EditKind kind)
{
    std::string insert = clean(replacement);
    std::size_t kept = m_text.size() - (end - start);
    if (kept + insert.size() > m_max_bytes)
        insert.resize(utf8::floor_boundary(insert, m_max_bytes > kept ? m_max_bytes - kept : 0));
    if (insert.empty() && start == end)
        return;
    push_undo(kind);
    m_text.replace(start, end - start, insert);
    m_caret = m_anchor = start + insert.size();
    m_dirty = true;
    refresh_boundaries();
    // A cut inside a cluster (combining mark typed alone) must still leave the caret on a boundary.
    set_caret(m_caret);
    m_last_edit = kind;
}

void TextInput::insert_at_cursor(std::string_view text)
{
    auto s = selection();
    replace_range(s.start, s.end, text, EditKind::Other);
}

bool TextInput::take_dirty()
{
    return std::exchange(m_dirty, false);
}

void TextInput::set_focused(bool focused, Instant now)
{
    if (focused == m_focused) {
        return;
    }
    m_focused = focused;
    if (focused) {
        m_blink_start = now;
    } else {
        m_anchor = m_caret;
        m_composition.clear();
        m_dragging = false;
    }
}

// Moves one step through the edit history: restores the newest snapshot of `from` and keeps
// the current state on `to`, so the step can be taken back.
bool TextInput::step_history(std::vector<Snapshot>& from, std::vector<Snapshot>& to)
{
    if (from.empty())
        return false;
    to.push_back({m_text, m_caret, m_anchor});
    auto snap = std::move(from.back());
    from.pop_back();
    m_text = std::move(snap.text);
    m_caret = snap.caret;
    m_anchor = snap.anchor;
    m_last_edit = EditKind::Other;
    m_dirty = true;
    refresh_boundaries();
    return true;
}

bool TextInput::undo()
{
    return step_history(m_undo, m_redo);
}

bool TextInput::redo()
{
    return step_history(m_redo, m_undo);
}

void TextInput::apply_layout_external(const Rect& rect)
{
    m_rect = rect;
}

void TextInput::move_to(std::size_t offset, bool extend)
{
    m_caret = std::min(offset, m_text.size());
    if (!extend)
        m_anchor = m_caret;
    m_last_edit = EditKind::Other;
}

bool TextInput::delete_selection()
{
    auto s = selection();
    if (s.empty())
        return false;
    replace_range(s.start, s.end, {}, EditKind::Other);
    return true;
}

InputResponse TextInput::handle_key(const KeyDown& key)
{
    const auto& mods = key.modifiers;
    bool shift = mods.shift;
    bool word = mods.control || mods.alt;
    auto s = selection();
    if (is_key(key, "ArrowLeft")) {
        if (!shift && !s.empty())
            move_to(s.start, false);
        else
            move_to(word ? prev_word(m_caret) : prev_cursor(m_caret), shift);
        return {true, false};
    }
    if (is_key(key, "ArrowRight")) {
        if (!shift && !s.empty())
            move_to(s.end, false);
        else
            move_to(word ? next_word(m_caret) : next_cursor(m_caret), shift);
        return {true, false};
    }
    if (is_key(key, "ArrowUp") || is_key(key, "ArrowDown")) {
        int direction = is_key(key, "ArrowUp") ? -1 : 1;
        if (m_mode == InputMode::SingleLine)
            return {};
        if (auto target = vertical(m_caret, direction)) {
            move_to(*target, shift);
        } else {
            // Past the first or last line: to the very start or end, as editors do.
            move_to(direction < 0 ? 0 : m_text.size(), shift);
        }
        return {true, false};
    }
    if (is_key(key, "Home")) {
        move_to(mods.control ? 0 : line_start(m_caret), shift);
        return {true, false};
    }
    if (is_key(key, "End")) {
        move_to(mods.control ? m_text.size() : line_end(m_caret), shift);
        return {true, false};
    }
    if (is_key(key, "Backspace")) {
        if (!delete_selection() && m_caret > 0) {
            std::size_t from = word ? prev_word(m_caret) : prev_cursor(m_caret);
            replace_range(from, m_caret, {}, EditKind::Deleting);
        }
        return {true, false};
    }
    if (is_key(key, "Delete")) {
        if (!delete_selection() && m_caret < m_text.size()) {
            std::size_t to = word ? next_word(m_caret) : next_cursor(m_caret);
            replace_range(m_caret, to, {}, EditKind::Deleting);
        }
        return {true, false};
    }
    if (is_key(key, "Enter")) {
        if (m_mode == InputMode::MultiLine && shift) {
            insert_at_cursor("\n");
            return {true, false};
        }
        return {true, true};
    }
    if (mods.control && !mods.alt) {
        if (is_letter_key(key, 'a')) {
            select_all();
            return {true, false};
        }
        if (is_letter_key(key, 'c') || is_letter_key(key, 'x')) {
            if (!s.empty()) {
                clipboard().set_text(selected_text());
                if (is_letter_key(key, 'x'))
                    delete_selection();
            }
            return {true, false};
        }
        if (is_letter_key(key, 'v')) {
            if (auto pasted = clipboard().text(); pasted && !pasted->empty()) {
                auto sel = selection();
                replace_range(sel.start, sel.end, *pasted, EditKind::Other);
            }
            return {true, false};
        }
        if (is_letter_key(key, 'z')) {
            shift ? redo() : undo();
            return {true, false};
        }
        if (is_letter_key(key, 'y')) {
            redo();
            return {true, false};
        }
    }
    return {};
}

InputResponse TextInput::handle_event(const Event& event, Instant now)
{
    if (const auto* key = std::get_if<KeyDown>(&event)) {
        if (!m_focused)
            return {};
        // While an input method composes, keys belong to it.
        if (is_composing())
            return {true, false};
        auto response = handle_key(*key);
        if (response.handled) {
            m_blink_start = now;
            scroll_to_caret();
        }
        return response;
    }
    if (const auto* commit = std::get_if<TextCommit>(&event)) {
        if (!m_focused)
            return {};
        m_composition.clear();
        auto s = selection();
        replace_range(s.start, s.end, commit->text, EditKind::Typing);
        m_blink_start = now;
        scroll_to_caret();
        return {true, false};
    }
    if (const auto* compose = std::get_if<TextComposition>(&event)) {
        if (!m_focused)
            return {};
        if (!compose->text.empty() && !selection().empty())
            delete_selection();
        m_composition = utf8::sanitize(compose->text, false);
        return {true, false};
    }
    if (const auto* down = std::get_if<PointerDown>(&event)) {
        if (down->button != PointerButton::Primary || !m_rect.contains(down->position))
            return {};
        std::size_t at = offset_at(down->position);
        if (down->clicks >= 3) {
            m_anchor = line_start(at);
            m_caret = line_end(at);
        } else if (down->clicks == 2) {
            std::size_t start = (m_boundary_flags[at] & word_start_flag) ? at : prev_word(at);
            std::size_t end = next_word(start);
            m_anchor = start;
            m_caret = std::max(end, at);
        } else {
            move_to(at, down->modifiers.shift);
            m_dragging = true;
        }
        m_composition.clear();
        m_last_edit = EditKind::Other;
        m_blink_start = now;
        return {true, false};
    }
    if (const auto* move = std::get_if<PointerMove>(&event)) {
        if (!m_dragging)
            return {};
        m_caret = offset_at(move->position);
        return {true, false};
    }
    if (std::holds_alternative<PointerUp>(event)) {
        bool was = std::exchange(m_dragging, false);
        return {was, false};
    }
    return {};
}

bool TextInput::perform_action(const SemanticRequest& request)
{
    switch (request.action) {
    case SemanticAction::SetValue: {
        auto cleaned = clean(request.text);
        if (cleaned == m_text)
            return true;
        replace_range(0, m_text.size(), cleaned, EditKind::Other);
        m_dirty = true;
        return true;
    }
    case SemanticAction::ReplaceText: {
        if (request.start > request.end || request.end > m_text.size())
            return false;
        if (utf8::floor_boundary(m_text, request.start) != request.start ||
            utf8::floor_boundary(m_text, request.end) != request.end)
            return false;
        replace_range(request.start, request.end, request.text, EditKind::Other);
        m_dirty = true;
        return true;
    }
    default:
        return false;
    }
}

AccessNode TextInput::accessibility(std::string id, std::string label) const
{
    AccessNode node;
    node.id = std::move(id);
    node.label = std::move(label);
    node.role =
        m_mode == InputMode::MultiLine ? AccessRole::MultilineTextField : AccessRole::TextField;
    node.value = m_text;
    node.description = m_placeholder;
    node.rect = m_rect;
    node.states.focused = m_focused;
    return node;
}

int TextInput::to_layout(std::size_t offset) const
{
    // An offset where a space was inserted maps after it: the caret shows at the next line's start.
    auto before = std::upper_bound(m_breaks.begin(), m_breaks.end(), offset) - m_breaks.begin();
    return int(offset + std::size_t(before) * utf8::break_opportunity_bytes);
}

std::size_t TextInput::from_layout(int index) const
{
    if (index <= 0)
        return 0;
    auto i = std::size_t(index);
    // The k-th inserted space sits at m_breaks[k] + 3k in the layout.
    std::size_t removed = 0;
    for (std::size_t k = 0; k < m_breaks.size(); ++k) {
        std::size_t at = m_breaks[k] + k * utf8::break_opportunity_bytes;
        if (i < at + utf8::break_opportunity_bytes) {
            if (i > at)
                return m_breaks[k];
            break;
        }
        removed += utf8::break_opportunity_bytes;
    }
    return i - removed;
}

Point TextInput::text_origin() const
{
    double pad_y = std::max(0.0, (m_rect.height() - m_content_height) / 2);
    return {m_rect.x0 + pad_x - m_scroll_x, m_rect.y0 + pad_y - m_scroll_y};
}

std::size_t TextInput::offset_at(Point p) const
{
    if (!m_layout || m_layout_text != m_text || !m_composition.empty())
        return m_caret;
    Point origin = text_origin();
    int index = 0, trailing = 0;
    pango_layout_xy_to_index(m_layout, int((p.x - origin.x) * PANGO_SCALE),
                             int((p.y - origin.y) * PANGO_SCALE), &index, &trailing);
    std::size_t result = std::min(from_layout(index), m_text.size());
    for (int i = 0; i < trailing; ++i)
        result = next_cursor(result);
    return result;
}

void TextInput::layout(TextRenderer& text, const Theme&)
{
    std::string shown = m_text;
    if (!m_composition.empty())
        shown.insert(m_caret, m_composition);
    TextStyle style;
    style.size = m_font_size;
    if (m_mode == InputMode::MultiLine)
        style.wrap_width = std::max(1.0, m_rect.width() - 2 * pad_x);
    PangoLayout* shared = text.layout("Ag", style);
    if (m_layout)
        g_object_unref(m_layout);
    m_layout = pango_layout_copy(shared);
    m_breaks.clear();
    std::string laid =
        m_mode == InputMode::MultiLine ? utf8::with_break_opportunities(shown, &m_breaks) : shown;
    pango_layout_set_text(m_layout, laid.data(), int(laid.size()));
    m_layout_text = m_composition.empty() ? m_text : std::string();
    m_line_height = text.line_height(m_font_size);
    PangoRectangle logical;
    pango_layout_get_extents(m_layout, nullptr, &logical);
    m_content_height = std::max(m_line_height, double(logical.height) / PANGO_SCALE);
    scroll_to_caret();
}

Rect TextInput::caret_rect() const
{
    if (!m_layout)
        return {m_rect.x0 + pad_x, m_rect.y0, m_rect.x0 + pad_x + 1, m_rect.y0 + m_line_height};
    PangoRectangle strong;
    std::size_t index = m_caret + m_composition.size();
    pango_layout_get_cursor_pos(m_layout, to_layout(index), &strong, nullptr);
    Point o = text_origin();
    double x = o.x + double(strong.x) / PANGO_SCALE;
    double y = o.y + double(strong.y) / PANGO_SCALE;
    return {x, y, x + 1.5, y + std::max(double(strong.height) / PANGO_SCALE, m_line_height * 0.8)};
}

void TextInput::scroll_to_caret()
{
    if (!m_layout)
        return;
    PangoRectangle strong;
    std::size_t index = m_caret + m_composition.size();
    pango_layout_get_cursor_pos(m_layout, to_layout(index), &strong, nullptr);
    double x = double(strong.x) / PANGO_SCALE, y = double(strong.y) / PANGO_SCALE;
    double h = double(strong.height) / PANGO_SCALE;
    double view_w = std::max(1.0, m_rect.width() - 2 * pad_x);
    double view_h = std::max(1.0, m_rect.height());
    if (m_mode == InputMode::SingleLine) {
        if (x - m_scroll_x > view_w)
            m_scroll_x = x - view_w;
        if (x < m_scroll_x)
            m_scroll_x = x;
        m_scroll_y = 0;
    } else {
        m_scroll_x = 0;
        if (m_content_height <= view_h) {
            m_scroll_y = 0;
        } else {
            double pad = 6;
            if (y + h - m_scroll_y > view_h - pad)
                m_scroll_y = y + h - view_h + pad;
            if (y - m_scroll_y < pad)
                m_scroll_y = std::max(0.0, y - pad);
            m_scroll_y = std::clamp(m_scroll_y, 0.0, m_content_height - view_h + 2 * pad);
        }
    }
}

void TextInput::draw(cairo_t* cr, TextRenderer& text, const Theme& theme, Instant now)
{
    layout(text, theme);
    if (m_rect.empty())
        return;
    ClipScope clip(cr, m_rect);
    Painter painter(cr);
    Point origin = text_origin();
    if (m_text.empty() && m_composition.empty() && !m_placeholder.empty()) {
        TextStyle style;
        style.size = m_font_size;
        style.ellipsize_width = std::max(1.0, m_rect.width() - 2 * pad_x);
        text.draw_styled(cr, m_placeholder, origin, style, theme.muted_text);
    }
    auto paint_range = [&](std::size_t shown_start, std::size_t shown_end, bool underline) {
        int start = to_layout(shown_start), end = to_layout(shown_end);
        PangoLayoutIter* iter = pango_layout_get_iter(m_layout);
        do {
            PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
            int ls = line->start_index, le = line->start_index + line->length;
            if (le < start || ls > end)
                continue;
            int* ranges = nullptr;
            int n = 0;
            pango_layout_line_get_x_ranges(line, std::max(start, ls), std::min(end, le), &ranges,
                                           &n);
            int y0 = 0, y1 = 0;
            pango_layout_iter_get_line_yrange(iter, &y0, &y1);
            for (int i = 0; i < n; ++i) {
                double x0 = origin.x + double(ranges[2 * i]) / PANGO_SCALE;
                double x1 = origin.x + double(ranges[2 * i + 1]) / PANGO_SCALE;
                double top = origin.y + double(y0) / PANGO_SCALE,
                       bottom = origin.y + double(y1) / PANGO_SCALE;
                if (underline)
                    painter.fill_rect({x0, bottom - 2, x1, bottom - 0.5}, theme.accent);
                else
                    painter.fill_rect({x0, top, std::max(x1, x0 + 3), bottom}, theme.selection);
            }
            g_free(ranges);
        } while (pango_layout_iter_next_line(iter));
        pango_layout_iter_free(iter);
    };
    auto sel = selection();
    if (!sel.empty() && m_composition.empty())
        paint_range(sel.start, sel.end, false);
    if (!m_composition.empty())
        paint_range(m_caret, m_caret + m_composition.size(), true);
    cairo_save(cr);
    cairo_set_source_rgba(cr, theme.text.r, theme.text.g, theme.text.b, theme.text.a);
    cairo_move_to(cr, origin.x, origin.y);
    pango_cairo_show_layout(cr, m_layout);
    cairo_restore(cr);
    if (m_focused) {
        auto phase = (now - m_blink_start) / blink_half_period;
        if (phase % 2 == 0)
            painter.fill_rect(caret_rect(), theme.text);
    }
}

} // namespace ruvo_ui
