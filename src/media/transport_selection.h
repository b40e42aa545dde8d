#pragma once
// Which transport the application starts with. Called once, on the UI thread, at start-up.

#include "media/media_transport.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace chat::media {

enum class TransportChoice {
    Peer,
    Loopback,
};

using EnvLookup = std::function<std::optional<std::string>(const char* name)>;

// Peer when DBUS_SESSION_BUS_ADDRESS is set (to anything, even empty) or else WAYLAND_DISPLAY
// is; Loopback otherwise.
TransportChoice choose_transport(const EnvLookup& env);

// The process environment.
std::optional<std::string> process_env(const char* name);

// Starts the chosen transport; any failure to start the networked one falls back to the
// loopback transport without a word to the user.
std::unique_ptr<MediaTransport> start_media_transport(const EnvLookup& env = process_env);

} // namespace chat::media
