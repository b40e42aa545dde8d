#include "media/loopback_transport.h"

namespace chat::media {

std::optional<std::string> LoopbackTransport::local_ticket() const
{
    return std::string(loopback_ticket);
}

bool LoopbackTransport::connect_peer(std::string_view)
{
    return true;
}

bool LoopbackTransport::send_packet(const MediaPacket& packet)
{
    if (!validate_packet(packet) || m_queue.size() >= incoming_queue_capacity)
        return false;
    m_queue.push_back(packet);
    return true;
}

std::vector<MediaPacket> LoopbackTransport::drain_incoming()
{
    std::vector<MediaPacket> out;
    while (!m_queue.empty() && out.size() < drain_batch_limit) {
        out.push_back(std::move(m_queue.front()));
        m_queue.pop_front();
    }
    return out;
}

} // namespace chat::media
