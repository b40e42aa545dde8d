#include "platform/identity/identity_broker.h"

namespace identity {

// No identity broker service exists on the desktops this program runs on yet.
std::unique_ptr<IdentityBroker> session_broker()
{
    return nullptr;
}

} // namespace identity
