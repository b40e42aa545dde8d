#include "platform/ui/clipboard.h"

namespace ruvo_ui {

namespace {
std::unique_ptr<Clipboard>& slot()
{
    static std::unique_ptr<Clipboard> current = std::make_unique<LocalClipboard>();
    return current;
}
} // namespace

Clipboard& clipboard()
{
    return *slot();
}

void set_clipboard(std::unique_ptr<Clipboard> clipboard)
{
    slot() = clipboard ? std::move(clipboard) : std::make_unique<LocalClipboard>();
}

} // namespace ruvo_ui
