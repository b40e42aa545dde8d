#pragma once
// The media protocol over the peer-to-peer endpoint: the dialing side pushes frames of encoded
// packets down one unidirectional stream; the accepting side reads them into the incoming
// queue. Both run as coroutines on the endpoint's strand and never wait on the UI thread.

#include "media/media_packet.h"
#include "platform/p2p/channel.h"
#include "platform/p2p/endpoint.h"

#include <asio/awaitable.hpp>
#include <cstdint>
#include <string_view>
#include <vector>

namespace chat::media {

inline constexpr std::string_view media_alpn = "ruvo-chat-media/0";

// Accept handler shared by every accepted media connection. Reads frames from the first
// unidirectional stream the peer opens until the peer finishes it between two frames; invalid
// packets are skipped, a full incoming queue drops the packet. Ends with "media frame too
// large: {length}" on an oversize frame, with the read error when the stream or connection
// fails, and quietly when the incoming queue closed or the peer finished its stream.
class MediaProtocol final : public p2p::ProtocolHandler {
  public:
    explicit MediaProtocol(p2p::Sender<MediaPacket> incoming) : m_incoming(std::move(incoming)) {}
    asio::awaitable<util::Result<void>> handle(p2p::Connection connection) override;

  private:
    p2p::Sender<MediaPacket> m_incoming;
};

// One per peer: connects, opens one stream and writes each queued encoded packet as a frame
// (4-byte little-endian length, then the bytes). Finishes the stream when the queue's sending
// end is dropped; ends on any connect, open or write failure. Ending drops `queue`, which tells
// the sender the peer is gone.
asio::awaitable<void> run_dialer(p2p::EndpointRef endpoint, p2p::EndpointAddr peer,
                                 p2p::Receiver<std::vector<std::uint8_t>> queue);

} // namespace chat::media
