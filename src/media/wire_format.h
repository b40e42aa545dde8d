#pragma once
// The byte form of media packets on a media stream: frames of a u32 little-endian length
// followed by that many bytes of one encoded packet. Pure functions; any thread.
//
// Encoded packet, integers little-endian:
//   kind u8 | sequence u64 | timestamp in ms u64 | sender length n u16 | sender (n) |
//   payload length m u32 | payload (m)

#include "media/media_packet.h"
#include "platform/util/result.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace chat::media {

inline constexpr std::size_t packet_header_bytes = 23;
inline constexpr std::size_t frame_length_bytes = 4;
// The longest frame a reader accepts: a full header, the longest sender and the largest payload.
inline constexpr std::uint32_t max_frame_bytes =
    packet_header_bytes + max_sender_bytes + max_payload_bytes;

// Validates and encodes `packet` into exactly 23 + n + m bytes, reserved up front.
util::Result<std::vector<std::uint8_t>> encode_packet(const MediaPacket& packet);

// Decodes one encoded packet that must fill `bytes` exactly, then validates it. Every
// malformed input gives an error; nothing is read outside `bytes`.
util::Result<MediaPacket> decode_packet(std::span<const std::uint8_t> bytes);

std::array<std::uint8_t, frame_length_bytes> encode_frame_length(std::uint32_t length);
std::uint32_t decode_frame_length(std::span<const std::uint8_t, frame_length_bytes> bytes);

// What a reader does with a frame whose length field says `length`.
enum class FrameAction {
    Skip,     // zero: an empty packet, which cannot decode; the next frame follows at once
    Read,     // read `length` bytes and decode them
    TooLarge, // beyond max_frame_bytes: stop reading this stream
};
FrameAction classify_frame_length(std::uint32_t length);

} // namespace chat::media
