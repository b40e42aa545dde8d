#include "platform/ui/key_values.h"

#include <SDL2/SDL_keycode.h>
#include <gtest/gtest.h>

namespace {

TEST(KeyValues, TranslatesSdlKeysIntoW3cKeyValues)
{
    struct Case {
        SDL_Keycode code;
        bool shift;
        bool caps;
        const char* expected;
    };
    const Case cases[] = {
        {SDLK_RETURN, false, false, "Enter"},     {SDLK_KP_ENTER, false, false, "Enter"},
        {SDLK_TAB, true, false, "Tab"},           {SDLK_ESCAPE, false, false, "Escape"},
        {SDLK_SPACE, false, false, " "},          {SDLK_BACKSPACE, false, false, "Backspace"},
        {SDLK_UP, false, false, "ArrowUp"},       {SDLK_LEFT, false, false, "ArrowLeft"},
        {SDLK_END, false, false, "End"},          {SDLK_PAGEDOWN, false, false, "PageDown"},
        {SDLK_a, false, false, "a"},              {SDLK_a, true, false, "A"},
        {SDLK_a, false, true, "A"},               {SDLK_a, true, true, "a"},
        {SDLK_1, false, false, "1"},              {SDLK_1, true, false, "!"},
        {SDLK_SLASH, true, false, "?"},           {SDLK_LCTRL, false, false, "Control"},
        {SDLK_RSHIFT, true, false, "Shift"},      {SDLK_F5, false, false, "F5"},
        {0xe9, false, false, "\xc3\xa9"},         {0x20ac, false, false, "\xe2\x82\xac"},
        {SDLK_AUDIOMUTE, false, false, "Unidentified"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(ruvo_ui::key_value(c.code, c.shift, c.caps), c.expected);
    }
}

} // namespace
