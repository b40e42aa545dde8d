#include "media/transport_selection.h"

#include "media/loopback_transport.h"
#include "media/peer_transport.h"

#include <cstdlib>
#include <spdlog/spdlog.h>

namespace chat::media {

TransportChoice choose_transport(const EnvLookup& env)
{
    if (env("DBUS_SESSION_BUS_ADDRESS") || env("WAYLAND_DISPLAY"))
        return TransportChoice::Peer;
    return TransportChoice::Loopback;
}

std::optional<std::string> process_env(const char* name)
{
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

std::unique_ptr<MediaTransport> start_media_transport(const EnvLookup& env)
{
    if (choose_transport(env) == TransportChoice::Peer) {
        auto peer = PeerTransport::start();
        if (peer)
            return std::move(*peer);
        spdlog::debug("media: peer transport unavailable: {}", peer.error().message);
    }
    return std::make_unique<LoopbackTransport>();
}

} // namespace chat::media
