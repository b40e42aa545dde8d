#pragma once
// A transport that hands every sent packet straight back to the sender, for runs without a
// desktop session. Owned and used by the UI thread.

#include "media/media_transport.h"

#include <deque>

namespace chat::media {

inline constexpr std::string_view loopback_ticket = "sim://local";

class LoopbackTransport final : public MediaTransport {
  public:
    std::optional<std::string> local_ticket() const override;
    // Always true; there is nobody to connect to.
    bool connect_peer(std::string_view ticket) override;
    // Queues a valid packet while fewer than incoming_queue_capacity wait; false otherwise.
    bool send_packet(const MediaPacket& packet) override;
    std::vector<MediaPacket> drain_incoming() override;

  private:
    std::deque<MediaPacket> m_queue;
};

} // namespace chat::media
