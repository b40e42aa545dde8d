#pragma once
// The networked transport: a peer-to-peer endpoint run by its own io_context on two worker
// threads, one dialer per known peer, and the media protocol for accepted connections. The
// UI thread owns the object and calls every operation; only bounded queues are shared with the
// workers, and no operation waits for the network.

#include "media/media_transport.h"
#include "platform/p2p/channel.h"
#include "platform/p2p/endpoint.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace chat::media {

struct PeerTransportOptions {
    // Only tests override these; the application uses the defaults (all interfaces, a random
    // port, a fresh key).
    p2p::EndpointOptions endpoint;
    // Sees the error of every accepted connection that ends with one; logged when unset.
    p2p::Router::ErrorObserver handler_errors;
};

class PeerTransport final : public MediaTransport {
  public:
    // Starts the workers, binds the endpoint with a fresh random key and takes the ticket.
    // Blocks the caller only while the socket is bound.
    static util::Result<std::unique_ptr<PeerTransport>> start(PeerTransportOptions options = {});
    ~PeerTransport() override;

    std::optional<std::string> local_ticket() const override;
    bool connect_peer(std::string_view ticket) override;
    bool send_packet(const MediaPacket& packet) override;
    std::vector<MediaPacket> drain_incoming() override;

    std::size_t peer_count() const { return m_peers.size(); }
    p2p::EndpointId endpoint_id() const { return m_endpoint->id(); }

  private:
    PeerTransport();

    asio::io_context m_io;
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
    std::vector<std::thread> m_threads;
    std::unique_ptr<p2p::Endpoint> m_endpoint;
    std::string m_ticket;
    p2p::Receiver<MediaPacket> m_incoming;
    std::unordered_map<std::string, p2p::Sender<std::vector<std::uint8_t>>> m_peers;
};

} // namespace chat::media
