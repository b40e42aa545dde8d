#pragma once
// How the call session reaches the other participants of a call. Every operation is called on
// the UI thread and returns at once: nothing here waits for the network, and a full queue
// drops packets instead of blocking.

#include "media/media_packet.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chat::media {

// Packets held for the UI thread between two drains, and packets waiting for one peer.
inline constexpr std::size_t incoming_queue_capacity = 128;
inline constexpr std::size_t outgoing_queue_capacity = 128;
// The most packets one drain hands over; the rest wait for the next frame.
inline constexpr std::size_t drain_batch_limit = 64;

class MediaTransport {
  public:
    virtual ~MediaTransport() = default;

    // The ticket other participants connect to; nothing when this transport cannot be reached.
    virtual std::optional<std::string> local_ticket() const = 0;

    // Starts sending to the peer that `ticket` names. False for the local ticket and for a
    // ticket that does not parse; true when the peer is known already (nothing new happens).
    virtual bool connect_peer(std::string_view ticket) = 0;

    // Offers `packet` to every connected peer. True when at least one peer's queue took it;
    // false for an invalid packet or when every queue was full or closed.
    virtual bool send_packet(const MediaPacket& packet) = 0;

    // Removes and returns up to drain_batch_limit received packets, oldest first.
    virtual std::vector<MediaPacket> drain_incoming() = 0;
};

} // namespace chat::media
