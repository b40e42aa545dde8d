#pragma once
// Records of the realtime-continuity facility: which media a call carries and how its controls
// stand, as handed between surfaces that continue a call. Plain values, usable on any thread.

namespace ruvo_ui {

// Which media a realtime session carries.
struct RealtimeMediaFacets {
    bool microphone = false;
    bool camera = false;
    bool screen_share = false;
    bool share_audio = false;

    bool operator==(const RealtimeMediaFacets&) const = default;
};

// How the user has set the controls of those media.
struct RealtimeControlIntent {
    bool microphone_muted = false;
    bool camera_muted = false;
    bool screen_share_paused = false;
    bool share_audio_muted = false;

    bool operator==(const RealtimeControlIntent&) const = default;
};

} // namespace ruvo_ui
