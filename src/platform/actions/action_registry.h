#pragma once
// The host's table of action handlers, one per payload kind. Owned by the framework's App and
// used on the UI thread only.

#include <expected>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/actions/encoded_action.h"

namespace crdt {
class Document;
}

namespace ruvo_actions {

class ActionHandler {
public:
    virtual ~ActionHandler() = default;

    // Decodes `json` and writes the action into `doc`, inside the transaction the caller opened.
    // A payload that does not decode is an error; an action the document refuses is not.
    virtual std::expected<void, action::ActionError> apply(std::string_view json, crdt::Document& doc) = 0;
};

class ActionRegistry {
public:
    // Registers `handler` for `kind`, replacing any earlier handler of that kind.
    void register_handler(std::string kind, std::unique_ptr<ActionHandler> handler);

    // The handler of `kind`, or null.
    ActionHandler* handler(std::string_view kind) const;

    std::vector<std::string> kinds() const;

private:
    std::map<std::string, std::unique_ptr<ActionHandler>, std::less<>> m_handlers;
};

} // namespace ruvo_actions
