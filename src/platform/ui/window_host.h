#pragma once
// The desktop window: an SDL2 window whose frames the root widget paints with cairo. Runs the
// frame loop on the calling thread (the UI thread) until the window closes.

#include "platform/ui/launch.h"

namespace ruvo_ui {

// Opens the window of `descriptor` and runs it; returns the process exit status. Without a
// display it prints one sentence saying so and returns 1.
int run_window(const launch::Descriptor& descriptor, ThemeMode theme);

// Thread-safe: wakes a sleeping frame loop so that it draws a frame (for instance when the
// document changed from elsewhere). Does nothing when no window runs.
void request_frame();

} // namespace ruvo_ui
