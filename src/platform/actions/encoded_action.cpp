#include "platform/actions/encoded_action.h"

namespace ruvo_actions::action {

std::string ActionError::display() const
{
    return kind.empty() ? message : kind + ": " + message;
}

} // namespace ruvo_actions::action
