#pragma once
// Translation of SDL key codes into W3C UI Events key values.

#include <cstdint>
#include <string>

namespace ruvo_ui {

// The key value for an SDL keycode (SDL_Keycode) with the shift and caps-lock state:
// "Enter", "Tab", "ArrowLeft", "Escape", " ", "a" or "A", "F5", "Unidentified", ...
std::string key_value(std::int32_t sdl_keycode, bool shift, bool caps_lock);

} // namespace ruvo_ui
