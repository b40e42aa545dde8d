#pragma once
// Input events as the window host delivers them to the root widget. Keys carry W3C UI Events
// key values ("Enter", "Tab", "ArrowUp", "a", "A", " ", ...); text arrives separately as
// committed text, so shortcuts come from KeyDown and editing from TextCommit.

#include <cstdint>
#include <string>
#include <variant>

#include "platform/ui/geometry.h"

namespace ruvo_ui {

struct Modifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool meta = false;

    bool none() const { return !shift && !control && !alt && !meta; }
    bool operator==(const Modifiers&) const = default;
};

struct KeyDown {
    std::string key;
    Modifiers modifiers;
    bool repeat = false;
};

struct KeyUp {
    std::string key;
    Modifiers modifiers;
};

// Text the input method (or a plain key press) committed.
struct TextCommit {
    std::string text;
};

// Text an input method is still composing; an empty text ends the composition.
struct TextComposition {
    std::string text;
    std::int32_t cursor = 0;
};

enum class PointerButton {
    Primary,
    Secondary,
    Middle,
};

struct PointerMove {
    Point position;
    Modifiers modifiers;
};

struct PointerDown {
    Point position;
    PointerButton button = PointerButton::Primary;
    int clicks = 1;
    Modifiers modifiers;
};

struct PointerUp {
    Point position;
    PointerButton button = PointerButton::Primary;
    Modifiers modifiers;
};

struct PointerLeave {};

enum class WheelUnit {
    Lines,
    Pixels,
};

// Positive dy scrolls content towards the top (the wheel turned away from the user).
struct Wheel {
    Point position;
    double dx = 0;
    double dy = 0;
    WheelUnit unit = WheelUnit::Lines;
    Modifiers modifiers;
};

struct FocusChange {
    bool focused = false;
};

// Logical-to-physical pixel ratio of the display the window is on.
struct ScaleChange {
    double scale = 1;
};

// The user asked to close the window and the host is not quitting by itself.
struct CloseRequest {};

using Event = std::variant<KeyDown, KeyUp, TextCommit, TextComposition, PointerMove, PointerDown, PointerUp,
                           PointerLeave, Wheel, FocusChange, ScaleChange, CloseRequest>;

// One line describing the event, for logs and tests ("KeyDown key=Enter mods=shift").
std::string describe(const Event& event);

} // namespace ruvo_ui
