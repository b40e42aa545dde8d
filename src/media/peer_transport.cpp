#include "media/peer_transport.h"

#include "media/media_protocol.h"
#include "media/wire_format.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <spdlog/spdlog.h>

namespace chat::media {

// How long a dropped transport waits for its dialers to finish their streams.
static constexpr std::chrono::milliseconds shutdown_linger{500};

PeerTransport::PeerTransport() : m_work(asio::make_work_guard(m_io)) {}

util::Result<std::unique_ptr<PeerTransport>> PeerTransport::start(PeerTransportOptions options)
{
    std::unique_ptr<PeerTransport> self(new PeerTransport());
    // std::thread reports failure only by throwing; this is the one place it is turned into a
    // value.
    try {
        for (int i = 0; i < 2; ++i)
            self->m_threads.emplace_back([io = &self->m_io] { io->run(); });
    } catch (const std::system_error& error) {
        return util::fail("start media workers: {}", error.what());
    }

    auto key = p2p::SecretKey::generate();
    if (!key)
        return std::unexpected(key.error());
    auto [incoming_tx, incoming_rx] = p2p::make_channel<MediaPacket>(incoming_queue_capacity);
    self->m_incoming = std::move(incoming_rx);
    p2p::Router router;
    router.add(std::string(media_alpn), std::make_unique<MediaProtocol>(std::move(incoming_tx)));
    if (options.handler_errors)
        router.set_error_observer(std::move(options.handler_errors));
    auto endpoint = p2p::Endpoint::bind(self->m_io, std::move(*key), std::move(router),
                                        std::move(options.endpoint));
    if (!endpoint)
        return std::unexpected(endpoint.error());
    self->m_endpoint = std::move(*endpoint);
    self->m_ticket = p2p::encode_ticket(self->m_endpoint->addr());
    return self;
}

PeerTransport::~PeerTransport()
{
    // Closing the queues lets every dialer finish its stream; then the endpoint says goodbye
    // to its peers before the workers stop.
    m_peers.clear();
    m_incoming.close();
    if (m_endpoint)
        m_endpoint->shutdown(shutdown_linger);
    m_endpoint.reset();
    m_work.reset();
    m_io.stop();
    for (auto& thread : m_threads)
        thread.join();
}

std::optional<std::string> PeerTransport::local_ticket() const
{
    return m_ticket;
}

bool PeerTransport::connect_peer(std::string_view ticket)
{
    if (ticket == m_ticket)
        return false;
    if (m_peers.contains(std::string(ticket)))
        return true;
    auto peer = p2p::parse_ticket(ticket);
    // Our own id under a different spelling of the ticket would dial ourselves.
    if (!peer || peer->id == m_endpoint->id())
        return false;
    auto [tx, rx] = p2p::make_channel<std::vector<std::uint8_t>>(outgoing_queue_capacity);
    asio::co_spawn(m_endpoint->executor(),
                   run_dialer(m_endpoint->ref(), std::move(*peer), std::move(rx)), asio::detached);
    m_peers.insert_or_assign(std::string(ticket), std::move(tx));
    return true;
}

bool PeerTransport::send_packet(const MediaPacket& packet)
{
    auto encoded = encode_packet(packet);
    if (!encoded)
        return false;
    bool delivered = false;
    for (auto it = m_peers.begin(); it != m_peers.end();) {
        switch (it->second.try_send(*encoded)) {
        case p2p::SendResult::Sent:
            delivered = true;
            ++it;
            break;
        case p2p::SendResult::Full:
            ++it;
            break;
        case p2p::SendResult::Closed:
            it = m_peers.erase(it);
            break;
        }
    }
    return delivered;
}

std::vector<MediaPacket> PeerTransport::drain_incoming()
{
    std::vector<MediaPacket> out;
    while (out.size() < drain_batch_limit) {
        auto packet = m_incoming.try_recv();
        if (!packet)
            break;
        out.push_back(std::move(*packet));
    }
    return out;
}

} // namespace chat::media
