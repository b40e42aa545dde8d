#pragma once
// An action in transit: the kind of its payload ("chat.action", "chat.operation", ...) and the
// payload as JSON text. The framework routes by kind; only the registered handler reads the JSON.

#include <string>

namespace ruvo_actions::action {

struct EncodedAction {
    std::string kind;
    std::string json;

    bool operator==(const EncodedAction&) const = default;
};

// Why an action could not be run: the payload kind and a one-line reason.
struct ActionError {
    std::string kind;
    std::string message;

    // One line for the log: "<kind>: <message>".
    std::string display() const;

    bool operator==(const ActionError&) const = default;
};

} // namespace ruvo_actions::action
