#pragma once
// ChatCallContinuation: what the application hands to the UI framework so that an active call
// can be continued on another surface. A plain value; usable on any thread.

#include "platform/ui/realtime_continuity.h"

#include <string>

namespace chat::actions {

struct ChatCallContinuation {
    std::string workspace_id{};
    std::string channel_id{};
    ruvo_ui::RealtimeMediaFacets media{};
    ruvo_ui::RealtimeControlIntent controls{};

    bool operator==(const ChatCallContinuation&) const = default;
};

} // namespace chat::actions
