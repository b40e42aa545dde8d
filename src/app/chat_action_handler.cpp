#include "app/chat_action_handler.h"

namespace chat::app {

// Chat actions have no decoder in this build yet, so every payload is refused unapplied.
std::expected<void, ruvo_actions::action::ActionError> ChatActionHandler::apply(std::string_view, crdt::Document&)
{
    return std::unexpected(ruvo_actions::action::ActionError{"chat.action", "this build cannot decode chat actions"});
}

} // namespace chat::app
