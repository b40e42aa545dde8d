#pragma once
// The handler of the "chat.action" payload kind: decodes a chat action and applies it to the
// workspace document as one change. Owned by the action registry; used on the UI thread only.

#include "doc/apply.h"
#include "platform/actions/action_registry.h"

namespace chat::app {

class ChatActionHandler final : public ruvo_actions::ActionHandler {
  public:
    // A payload that does not decode is an error and changes nothing; an action the document
    // refuses is not an error. The change carries the wall-clock time.
    std::expected<void, ruvo_actions::action::ActionError> apply(std::string_view json,
                                                                 crdt::Document& doc) override;

  private:
    doc::ActionApplier m_applier;
};

} // namespace chat::app
