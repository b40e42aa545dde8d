#pragma once
// The platform's identity broker: a service that knows the local user's display name and public
// key. Desktops that run one provide an implementation; this one has none, so callers receive no
// broker and fall back to their own sources.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/util/result.h"

namespace identity {

struct BrokerIdentity {
    std::string display_name;
    std::array<std::uint8_t, 32> public_key{};
};

class IdentityBroker {
public:
    virtual ~IdentityBroker() = default;
    virtual util::Result<BrokerIdentity> current_identity() = 0;
};

// The broker of this desktop session, or null when the session has none.
std::unique_ptr<IdentityBroker> session_broker();

} // namespace identity
