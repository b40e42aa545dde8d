#pragma once
// An editable text field, single- or multi-line, owned by the widget that shows it and used on
// the UI thread. Text is UTF-8 and always valid: whatever is typed, pasted or set is cleaned
// first. Offsets (caret, selection) are byte offsets that always sit on character (grapheme)
// boundaries.
//
// The owner lays the field out (apply_layout_external), draws it, and hands it events; the
// response says whether the event was used and whether Enter asked to submit. Changes of the
// text raise a dirty flag that the owner reads with take_dirty to write the text through.
// Editing works without drawing; pointer positions and vertical caret movement use the layout
// of the last draw (or of layout()).

#include "platform/ui/accessibility.h"
#include "platform/ui/event.h"
#include "platform/ui/geometry.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"
#include "platform/ui/transition.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct _PangoLayout PangoLayout;

namespace ruvo_ui {

enum class InputMode {
    SingleLine, // Enter submits; line breaks become spaces
    MultiLine,  // wraps; Enter submits, Shift+Enter breaks the line
};

struct InputResponse {
    bool handled = false;
    bool submit = false; // Enter was pressed (without Shift in a multi-line field)

    bool operator==(const InputResponse&) const = default;
};

struct Selection {
    std::size_t start = 0;
    std::size_t end = 0;
    bool empty() const { return start == end; }
    bool operator==(const Selection&) const = default;
};

class TextInput {
  public:
    static constexpr std::size_t default_max_bytes = 48 * 1024;

    explicit TextInput(InputMode mode = InputMode::MultiLine);
    ~TextInput();
    TextInput(TextInput&&) noexcept;
    TextInput& operator=(TextInput&&) noexcept;
    TextInput(const TextInput&) = delete;
    TextInput& operator=(const TextInput&) = delete;

    InputMode mode() const { return m_mode; }
    const std::string& text() const { return m_text; }
    // Replaces the text when it differs (caret at the end, selection, composition and undo
    // history dropped); setting the same text changes nothing. Does not raise the dirty flag:
    // the owner set it.
    void set_text(std::string_view text);
    void set_placeholder(std::string placeholder) { m_placeholder = std::move(placeholder); }
    const std::string& placeholder() const { return m_placeholder; }
    // Texts longer than this are cut at a character boundary.
    void set_max_bytes(std::size_t max_bytes) { m_max_bytes = max_bytes; }

    std::size_t caret() const { return m_caret; }
    // Moves the caret (clamped, snapped back to a boundary) and drops the selection.
    void set_caret(std::size_t offset);
    Selection selection() const;
    void select(std::size_t anchor, std::size_t caret);
    void select_all();
    std::string selected_text() const;

    // Inserts at the caret, replacing the selection; raises the dirty flag. The inserted text
    // is cleaned (and, single-line, flattened to one line).
    void insert_at_cursor(std::string_view text);

    // Returns whether the text changed since the last call, and clears the flag.
    bool take_dirty();

    // The person typing, for callers that attribute edits.
    void set_local_author(std::string author) { m_local_author = std::move(author); }
    const std::string& local_author() const { return m_local_author; }

    // Focus: a field that loses focus drops its selection and composition; one that gains it
    // restarts the caret blink at `now`.
    void set_focused(bool focused, Instant now = {});
    bool focused() const { return m_focused; }

    bool is_composing() const { return !m_composition.empty(); }
    const std::string& composition() const { return m_composition; }

    bool can_undo() const { return !m_undo.empty(); }
    bool can_redo() const { return !m_redo.empty(); }
    bool undo();
    bool redo();

    // The rectangle the owner gives the field for layout, drawing and hit testing.
    void apply_layout_external(const Rect& rect);
    Rect rect() const { return m_rect; }

    // Keys (with the field focused), committed and composed text, pointer presses inside the
    // field, drags and releases. Keys the field does not edit with (Tab, Escape, ArrowUp on the
    // first line of a single-line field...) are not handled.
    InputResponse handle_event(const Event& event, Instant now = {});

    // Assistive edits: SetValue replaces the whole text, ReplaceText the byte range
    // [start, end). Refused (false, nothing changes) when the range is out of bounds or not on
    // character boundaries. Success raises the dirty flag.
    bool perform_action(const SemanticRequest& request);
    AccessNode accessibility(std::string id, std::string label) const;

    // Shapes the text for the current rectangle; draw does it too.
    void layout(TextRenderer& text, const Theme& theme);
    // Paints text (or the placeholder), selection, composition and the blinking caret.
    void draw(cairo_t* cr, TextRenderer& text, const Theme& theme, Instant now);
    // Height the text needs at the current width (after layout), at least one line.
    double content_height() const { return m_content_height; }
    // Where the caret is drawn, for the input method's candidate window.
    Rect caret_rect() const;
    // True while focused: the caret blinks.
    bool needs_animation_frame() const { return m_focused; }

  private:
    struct Snapshot {
        std::string text;
        std::size_t caret;
        std::size_t anchor;
    };
    bool step_history(std::vector<Snapshot>& from, std::vector<Snapshot>& to);

    enum class EditKind { Typing, Deleting, Other };

    void replace_range(std::size_t start, std::size_t end, std::string_view replacement,
                       EditKind kind);
    void push_undo(EditKind kind);
    void refresh_boundaries();
    std::size_t prev_cursor(std::size_t offset) const;
    std::size_t next_cursor(std::size_t offset) const;
    std::size_t prev_word(std::size_t offset) const;
    std::size_t next_word(std::size_t offset) const;
    std::size_t line_start(std::size_t offset) const;
    std::size_t line_end(std::size_t offset) const;
    std::optional<std::size_t> vertical(std::size_t offset, int direction) const;
    std::size_t offset_at(Point p) const;
    void move_to(std::size_t offset, bool extend);
    InputResponse handle_key(const KeyDown& key);
    bool delete_selection();
    std::string clean(std::string_view text) const;
    Point text_origin() const;
    void scroll_to_caret();
    // Offsets of the shown text <-> byte indexes of the layout, which has break opportunities
    // inserted into long unbroken runs.
    int to_layout(std::size_t offset) const;
    std::size_t from_layout(int index) const;

    InputMode m_mode;
    std::string m_text;
    std::string m_placeholder;
    std::string m_local_author;
    std::string m_composition;
    std::size_t m_max_bytes = default_max_bytes;
    std::size_t m_caret = 0;
    std::size_t m_anchor = 0;
    bool m_dirty = false;
    bool m_focused = false;
    bool m_dragging = false;
    Instant m_blink_start{};
    Rect m_rect;

    std::vector<Snapshot> m_undo;
    std::vector<Snapshot> m_redo;
    EditKind m_last_edit = EditKind::Other;

    // Per byte offset: whether the caret may stop there, and whether a word starts or ends
    // there. Rebuilt when the text changes.
    std::vector<unsigned char> m_boundary_flags;

    // The layout of the last draw, owned here (a reference on a pango object).
    PangoLayout* m_layout = nullptr;
    std::string m_layout_text;
    std::vector<std::size_t> m_breaks;
    double m_content_height = 0;
    double m_line_height = 18;
    double m_scroll_x = 0;
    double m_scroll_y = 0;
    double m_font_size = 15;
};

} // namespace ruvo_ui
