#include "media/wire_format.h"

#include <cstring>

namespace chat::media {

static void put_le(std::vector<std::uint8_t>& out, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

static std::uint64_t get_le(std::span<const std::uint8_t> bytes, std::size_t offset, int width)
{
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= static_cast<std::uint64_t>(bytes[offset + i]) << (8 * i);
    return value;
}

util::Result<std::vector<std::uint8_t>> encode_packet(const MediaPacket& packet)
{
    if (auto valid = validate_packet(packet); !valid)
        return std::unexpected(valid.error());
    std::size_t const n = packet.sender.size();
    std::size_t const m = packet.payload.size();
    std::vector<std::uint8_t> out;
    out.reserve(packet_header_bytes + n + m);
    out.push_back(static_cast<std::uint8_t>(packet.kind));
    put_le(out, packet.sequence, 8);
    put_le(out, *timestamp_to_millis(packet.timestamp), 8);
    put_le(out, n, 2);
    out.insert(out.end(), packet.sender.begin(), packet.sender.end());
    put_le(out, m, 4);
    out.insert(out.end(), packet.payload.begin(), packet.payload.end());
    return out;
}

util::Result<MediaPacket> decode_packet(std::span<const std::uint8_t> bytes)
{
    std::size_t const length = bytes.size();
    if (length < 19)
        return util::fail("media packet of {} bytes is shorter than its header", length);
    auto const kind = media_kind_from_byte(bytes[0]);
    if (!kind)
        return util::fail("unknown media kind {}", static_cast<unsigned>(bytes[0]));
    std::size_t const n = get_le(bytes, 17, 2);
    if (19 + n > length)
        return util::fail("media sender length {} runs past the packet", n);
    if (n < 1 || n > max_sender_bytes)
        return util::fail("media sender id must be 1 to {} bytes, not {}", max_sender_bytes, n);
    if (23 + n > length)
        return util::fail("media packet ends before its payload length");
    std::size_t const m = get_le(bytes, 19 + n, 4);
    if (m > max_payload_bytes)
        return util::fail("media payload of {} bytes exceeds {}", m, max_payload_bytes);
    if (23 + n + m != length)
        return util::fail("media packet of {} bytes does not match its fields ({} bytes)", length,
                          23 + n + m);

    MediaPacket packet;
    packet.kind = *kind;
    packet.sequence = get_le(bytes, 1, 8);
    packet.timestamp = timestamp_from_millis(get_le(bytes, 9, 8));
    packet.sender.assign(reinterpret_cast<const char*>(bytes.data() + 19), n);
    packet.payload.assign(bytes.begin() + static_cast<std::ptrdiff_t>(23 + n), bytes.end());
    if (auto valid = validate_packet(packet); !valid)
        return std::unexpected(valid.error());
    return packet;
}

std::array<std::uint8_t, frame_length_bytes> encode_frame_length(std::uint32_t length)
{
    return {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
}

std::uint32_t decode_frame_length(std::span<const std::uint8_t, frame_length_bytes> bytes)
{
    return static_cast<std::uint32_t>(get_le(bytes, 0, 4));
}

FrameAction classify_frame_length(std::uint32_t length)
{
    if (length == 0)
        return FrameAction::Skip;
    if (length > max_frame_bytes)
        return FrameAction::TooLarge;
    return FrameAction::Read;
}

} // namespace chat::media
