// Message text, names and pasted text come from anywhere: cleaning must always give text the
// shaper accepts, and editing must keep the caret on the text.
#include "platform/ui/text_input.h"
#include "platform/ui/utf8.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto clean = ruvo_ui::utf8::sanitize(bytes);
    if (!ruvo_ui::utf8::is_clean(clean))
        __builtin_trap();
    std::vector<std::size_t> breaks;
    auto broken = ruvo_ui::utf8::with_break_opportunities(clean, &breaks);
    if (broken.size() != clean.size() + breaks.size() * ruvo_ui::utf8::break_opportunity_bytes)
        __builtin_trap();

    // The first bytes drive an editing session over the rest.
    ruvo_ui::TextInput input(size % 2 ? ruvo_ui::InputMode::MultiLine
                                      : ruvo_ui::InputMode::SingleLine);
    input.set_focused(true);
    static const char* keys[] = {"ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown", "Home", "End",
                                 "Backspace", "Delete",     "Enter",   "a",         "z",    "y"};
    std::size_t split = std::min<std::size_t>(size, 16);
    input.set_text(bytes.substr(split));
    for (std::size_t i = 0; i < split; ++i) {
        std::uint8_t op = data[i];
        if (op < 200) {
            ruvo_ui::KeyDown key;
            key.key = keys[op % 12];
            key.modifiers.shift = op & 0x10;
            key.modifiers.control = op & 0x20;
            input.handle_event(key);
        } else if (op < 230) {
            input.handle_event(ruvo_ui::TextCommit{std::string(bytes.substr(split, op - 200))});
        } else {
            input.handle_event(
                ruvo_ui::TextComposition{std::string(bytes.substr(split, op - 230)), 0});
        }
        if (input.caret() > input.text().size() || !ruvo_ui::utf8::is_clean(input.text(), true))
            __builtin_trap();
    }
    return 0;
}
