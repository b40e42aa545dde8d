#pragma once
// The contract between the framework and the root widget it hosts. The framework calls, on its
// UI thread and once per frame: sync (with the document), build_layout and apply_layout, draw,
// then draw_floating_surfaces; events are delivered between frames and resolve against what the
// last draw painted.

#include <optional>
#include <string>

#include "platform/ui/event.h"
#include "platform/ui/geometry.h"
#include "platform/ui/scene.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"

namespace crdt {
class Document;
}

namespace ruvo_ui {

// What a widget asks of the layout pass. The root widget normally fills the window.
struct LayoutNode {
    Size min_size;
    bool fill = true;
};

enum class CursorShape {
    Default,
    Pointer,
    Text,
    Grab,
};

class Widget {
public:
    virtual ~Widget() = default;

    // Brings the widget up to date with the document; may write to it.
    virtual void sync(crdt::Document& doc) = 0;

    virtual LayoutNode build_layout() { return {}; }

    // The rectangle the layout pass gave the widget.
    virtual void apply_layout(const Rect& rect) = 0;

    virtual void draw(Scene& scene, const Theme& theme, TextRenderer& text, float zoom) = 0;

    // Surfaces that float above the window (popovers torn off, a detached call). In a shot
    // they are composited over the frame.
    virtual void draw_floating_surfaces(Scene&, const Theme&, TextRenderer&, float) {}

    // Returns whether the widget used the event.
    virtual bool handle_event(const Event& event) = 0;

    virtual CursorShape cursor_shape() const { return CursorShape::Default; }
    virtual std::optional<std::string> tooltip() const { return std::nullopt; }
    virtual void set_focus(bool) {}

    // True while something moves on its own (animations, pending images); the host then keeps
    // drawing frames instead of sleeping until the next event.
    virtual bool needs_animation_frame() const { return false; }

    // Returns and clears the widget's request to be laid out again.
    virtual bool take_layout_dirty() { return false; }

    // Whether keyboard text should reach the widget (an input field has focus), and where the
    // input method should show its candidates.
    virtual bool wants_text_input() const { return true; }
    virtual std::optional<Rect> text_input_rect() const { return std::nullopt; }
};

} // namespace ruvo_ui
