#pragma once
// What the application tells the framework at start-up.

#include <array>
#include <string_view>

#include "platform/ui/launch.h"

namespace chat::app {

inline constexpr std::string_view application_id = "dev.ruvo.Chat";

// Every screenshot scene, in the order a full render produces them.
inline constexpr std::array<std::string_view, 21> shot_names = {
    "narrow",        "history",      "compact",
    "starter",       "people",       "thread-narrow",
    "collaboration", "context",      "msgmenu",
    "attach",        "attach-loading", "attach-error",
    "edit",          "composer",     "call",
    "share",         "floating-call-attached", "floating-call",
    "floating-call-hover", "floating-call-returning", "floating-call-returned",
};

ruvo_ui::launch::Descriptor build_descriptor();

// Registers the handlers of the application's action kinds.
void register_actions(ruvo_ui::App& app);

} // namespace chat::app
