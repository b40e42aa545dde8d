#include "media/media_packet.h"

#include <limits>

namespace chat::media {

std::optional<MediaKind> media_kind_from_byte(std::uint8_t byte)
{
    if (byte > static_cast<std::uint8_t>(MediaKind::Screen))
        return std::nullopt;
    return static_cast<MediaKind>(byte);
}

std::string_view media_kind_name(MediaKind kind)
{
    switch (kind) {
    case MediaKind::Microphone:
        return "Microphone";
    case MediaKind::Camera:
        return "Camera";
    case MediaKind::Screen:
        return "Screen sharing";
    }
    return "Unknown";
}

std::optional<std::uint64_t> timestamp_to_millis(MediaTimestamp timestamp)
{
    if (timestamp.nanos >= 1'000'000'000u)
        return std::nullopt;
    constexpr auto max = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t const sub = timestamp.nanos / 1'000'000u;
    if (timestamp.seconds > (max - sub) / 1000u)
        return std::nullopt;
    return timestamp.seconds * 1000u + sub;
}

MediaTimestamp timestamp_from_millis(std::uint64_t millis)
{
    return MediaTimestamp{millis / 1000u,
                          static_cast<std::uint32_t>((millis % 1000u) * 1'000'000u)};
}

bool is_valid_utf8(std::string_view bytes)
{
    auto const* p = reinterpret_cast<unsigned char const*>(bytes.data());
    std::size_t const n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned char const c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        std::uint32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

util::Result<void> validate_packet(const MediaPacket& packet)
{
    if (packet.sender.empty() || packet.sender.size() > max_sender_bytes)
        return util::fail("media sender id must be 1 to {} bytes, not {}", max_sender_bytes,
                          packet.sender.size());
    if (!is_valid_utf8(packet.sender))
        return util::fail("media sender id is not valid UTF-8");
    if (packet.payload.size() > max_payload_bytes)
        return util::fail("media payload of {} bytes exceeds {}", packet.payload.size(),
                          max_payload_bytes);
    if (!timestamp_to_millis(packet.timestamp))
        return util::fail("media timestamp out of range");
    if (!media_kind_from_byte(static_cast<std::uint8_t>(packet.kind)))
        return util::fail("unknown media kind {}", static_cast<unsigned>(packet.kind));
    return {};
}

} // namespace chat::media
