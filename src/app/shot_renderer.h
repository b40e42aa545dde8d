#pragma once
// Renders one screenshot scene of the interface into a PNG file.

#include <expected>
#include <string>

#include "platform/ui/launch.h"

namespace chat::app {

// Returns the error text when nothing could be written ("missing screenshot output", a layout
// error, a file error). On success prints "chat: wrote shot to <path>" on standard output.
std::expected<void, std::string> render_shot(const ruvo_ui::launch::ShotRequest& request);

} // namespace chat::app
