#include "platform/actions/action_registry.h"

namespace ruvo_actions {

void ActionRegistry::register_handler(std::string kind, std::unique_ptr<ActionHandler> handler)
{
    m_handlers[std::move(kind)] = std::move(handler);
}

ActionHandler* ActionRegistry::handler(std::string_view kind) const
{
    auto it = m_handlers.find(kind);
    return it == m_handlers.end() ? nullptr : it->second.get();
}

std::vector<std::string> ActionRegistry::kinds() const
{
    std::vector<std::string> kinds;
    for (const auto& [kind, handler] : m_handlers)
        kinds.push_back(kind);
    return kinds;
}

} // namespace ruvo_actions
