#include "app/chat_action_handler.h"

#include "actions/chat_action.h"
#include "doc/chat_action_payload.h"

#include <chrono>

namespace chat::app {

std::expected<void, ruvo_actions::action::ActionError>
ChatActionHandler::apply(std::string_view json, crdt::Document& doc)
{
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    auto applied = doc::apply_chat_action_payload(doc, json, m_applier, now);
    if (!applied)
        return std::unexpected(ruvo_actions::action::ActionError{
            std::string(actions::chat_action_kind), applied.error().message});
    return {};
}

} // namespace chat::app
