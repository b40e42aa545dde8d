#include "platform/ui/sdl_clipboard.h"

#include <SDL2/SDL.h>
#include <string>

namespace ruvo_ui {

namespace {

class SdlClipboard final : public Clipboard {
  public:
    std::optional<std::string> text() const override
    {
        if (!SDL_HasClipboardText())
            return std::nullopt;
        char* raw = SDL_GetClipboardText();
        if (!raw)
            return std::nullopt;
        std::string text(raw);
        SDL_free(raw);
        return text;
    }

    void set_text(std::string_view text) override
    {
        SDL_SetClipboardText(std::string(text).c_str());
    }
};

} // namespace

std::unique_ptr<Clipboard> make_sdl_clipboard()
{
    return std::make_unique<SdlClipboard>();
}

} // namespace ruvo_ui
