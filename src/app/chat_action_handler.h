#pragma once
// The handler of the "chat.action" payload kind: decodes a chat action and applies it to the
// workspace document.

#include "platform/actions/action_registry.h"

namespace chat::app {

class ChatActionHandler final : public ruvo_actions::ActionHandler {
public:
    std::expected<void, ruvo_actions::action::ActionError> apply(std::string_view json, crdt::Document& doc) override;
};

} // namespace chat::app
