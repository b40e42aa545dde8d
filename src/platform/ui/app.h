#pragma once
// The framework's application object: what the host keeps for the hosted application besides
// its root widget. Lives on the UI thread for the whole run.

#include <string>

#include "platform/actions/action_registry.h"

namespace ruvo_ui {

class App {
public:
    explicit App(std::string application_id)
        : m_application_id(std::move(application_id))
    {
    }

    const std::string& application_id() const { return m_application_id; }

    ruvo_actions::ActionRegistry& action_registry_mut() { return m_registry; }
    const ruvo_actions::ActionRegistry& action_registry() const { return m_registry; }

private:
    std::string m_application_id;
    ruvo_actions::ActionRegistry m_registry;
};

} // namespace ruvo_ui
