#include "platform/ui/key_values.h"

#include <SDL2/SDL_keycode.h>

namespace ruvo_ui {

namespace {

struct Named {
    SDL_Keycode code;
    const char* value;
};

constexpr Named named_keys[] = {
    {SDLK_RETURN, "Enter"},        {SDLK_KP_ENTER, "Enter"},      {SDLK_RETURN2, "Enter"},
    {SDLK_TAB, "Tab"},             {SDLK_BACKSPACE, "Backspace"}, {SDLK_DELETE, "Delete"},
    {SDLK_ESCAPE, "Escape"},       {SDLK_SPACE, " "},             {SDLK_INSERT, "Insert"},
    {SDLK_UP, "ArrowUp"},          {SDLK_DOWN, "ArrowDown"},      {SDLK_LEFT, "ArrowLeft"},
    {SDLK_RIGHT, "ArrowRight"},    {SDLK_HOME, "Home"},           {SDLK_END, "End"},
    {SDLK_PAGEUP, "PageUp"},       {SDLK_PAGEDOWN, "PageDown"},   {SDLK_LSHIFT, "Shift"},
    {SDLK_RSHIFT, "Shift"},        {SDLK_LCTRL, "Control"},       {SDLK_RCTRL, "Control"},
    {SDLK_LALT, "Alt"},            {SDLK_RALT, "Alt"},            {SDLK_LGUI, "Meta"},
    {SDLK_RGUI, "Meta"},           {SDLK_CAPSLOCK, "CapsLock"},   {SDLK_NUMLOCKCLEAR, "NumLock"},
    {SDLK_SCROLLLOCK, "ScrollLock"}, {SDLK_PAUSE, "Pause"},       {SDLK_PRINTSCREEN, "PrintScreen"},
    {SDLK_APPLICATION, "ContextMenu"}, {SDLK_MENU, "ContextMenu"}, {SDLK_MODE, "AltGraph"},
    {SDLK_F1, "F1"},   {SDLK_F2, "F2"},   {SDLK_F3, "F3"},   {SDLK_F4, "F4"},
    {SDLK_F5, "F5"},   {SDLK_F6, "F6"},   {SDLK_F7, "F7"},   {SDLK_F8, "F8"},
    {SDLK_F9, "F9"},   {SDLK_F10, "F10"}, {SDLK_F11, "F11"}, {SDLK_F12, "F12"},
    {SDLK_KP_DIVIDE, "/"}, {SDLK_KP_MULTIPLY, "*"}, {SDLK_KP_MINUS, "-"}, {SDLK_KP_PLUS, "+"},
    {SDLK_KP_0, "0"}, {SDLK_KP_1, "1"}, {SDLK_KP_2, "2"}, {SDLK_KP_3, "3"}, {SDLK_KP_4, "4"},
    {SDLK_KP_5, "5"}, {SDLK_KP_6, "6"}, {SDLK_KP_7, "7"}, {SDLK_KP_8, "8"}, {SDLK_KP_9, "9"},
    {SDLK_KP_PERIOD, "."},
};

// Shifted symbols of the US layout, for shortcuts such as Control+Shift+/. Text itself always
// comes from committed text, which knows the real layout.
char shifted_symbol(char c)
{
    constexpr const char* plain = "`1234567890-=[]\\;',./";
    constexpr const char* shifted = "~!@#$%^&*()_+{}|:\"<>?";
    for (int i = 0; plain[i]; ++i) {
        if (plain[i] == c)
            return shifted[i];
    }
    return c;
}

} // namespace

std::string key_value(std::int32_t sdl_keycode, bool shift, bool caps_lock)
{
    for (const auto& key : named_keys) {
        if (key.code == sdl_keycode)
            return key.value;
    }
    if (sdl_keycode >= 'a' && sdl_keycode <= 'z') {
        char c = static_cast<char>(sdl_keycode);
        return std::string(1, shift != caps_lock ? static_cast<char>(c - 'a' + 'A') : c);
    }
    if (sdl_keycode > ' ' && sdl_keycode < 0x7f) {
        char c = static_cast<char>(sdl_keycode);
        return std::string(1, shift ? shifted_symbol(c) : c);
    }
    // Keys of other layouts arrive as their Unicode scalar value.
    if (sdl_keycode >= 0xa0 && sdl_keycode < 0x110000 && !(sdl_keycode & SDLK_SCANCODE_MASK)) {
        char32_t cp = static_cast<char32_t>(sdl_keycode);
        std::string out;
        if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (cp & 0x3F));
        return out;
    }
    return "Unidentified";
}

} // namespace ruvo_ui
