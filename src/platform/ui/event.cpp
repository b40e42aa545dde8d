#include "platform/ui/event.h"

#include <fmt/format.h>

namespace ruvo_ui {

namespace {

std::string mods(const Modifiers& m)
{
    std::string out;
    auto add = [&](bool on, const char* name) {
        if (on)
            out += out.empty() ? name : fmt::format("+{}", name);
    };
    add(m.shift, "shift");
    add(m.control, "control");
    add(m.alt, "alt");
    add(m.meta, "meta");
    return out.empty() ? "none" : out;
}

const char* button_name(PointerButton b)
{
    switch (b) {
    case PointerButton::Primary:
        return "primary";
    case PointerButton::Secondary:
        return "secondary";
    case PointerButton::Middle:
        return "middle";
    }
    return "?";
}

struct Describe {
    std::string operator()(const KeyDown& e) const
    {
        return fmt::format("KeyDown key={:?} mods={}{}", e.key, mods(e.modifiers), e.repeat ? " repeat" : "");
    }
    std::string operator()(const KeyUp& e) const { return fmt::format("KeyUp key={:?} mods={}", e.key, mods(e.modifiers)); }
    std::string operator()(const TextCommit& e) const { return fmt::format("TextCommit text={:?}", e.text); }
    std::string operator()(const TextComposition& e) const
    {
        return fmt::format("TextComposition text={:?} cursor={}", e.text, e.cursor);
    }
    std::string operator()(const PointerMove& e) const
    {
        return fmt::format("PointerMove x={} y={}", e.position.x, e.position.y);
    }
    std::string operator()(const PointerDown& e) const
    {
        return fmt::format("PointerDown x={} y={} button={} clicks={} mods={}", e.position.x, e.position.y,
                           button_name(e.button), e.clicks, mods(e.modifiers));
    }
    std::string operator()(const PointerUp& e) const
    {
        return fmt::format("PointerUp x={} y={} button={}", e.position.x, e.position.y, button_name(e.button));
    }
    std::string operator()(const PointerLeave&) const { return "PointerLeave"; }
    std::string operator()(const Wheel& e) const
    {
        return fmt::format("Wheel dx={} dy={} unit={}", e.dx, e.dy, e.unit == WheelUnit::Lines ? "lines" : "pixels");
    }
    std::string operator()(const FocusChange& e) const { return fmt::format("FocusChange focused={}", e.focused); }
    std::string operator()(const ScaleChange& e) const { return fmt::format("ScaleChange scale={}", e.scale); }
    std::string operator()(const CloseRequest&) const { return "CloseRequest"; }
};

} // namespace

std::string describe(const Event& event)
{
    return std::visit(Describe{}, event);
}

} // namespace ruvo_ui
