#pragma once
// The desktop clipboard through SDL. Valid between SDL_Init and SDL_Quit; UI thread.

#include "platform/ui/clipboard.h"

#include <memory>

namespace ruvo_ui {

std::unique_ptr<Clipboard> make_sdl_clipboard();

} // namespace ruvo_ui
