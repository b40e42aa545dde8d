#pragma once
// The media packet record and its limits. Plain values; safe to move between threads.

#include "platform/util/result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chat::media {

enum class MediaKind : std::uint8_t {
    Microphone = 0,
    Camera = 1,
    Screen = 2,
};

// The kind for its wire byte; nothing for bytes 3 and above.
std::optional<MediaKind> media_kind_from_byte(std::uint8_t byte);

// The kind's name as it appears in messages shown to the user ("Screen sharing" for Screen).
std::string_view media_kind_name(MediaKind kind);

// A duration as whole seconds plus nanoseconds (always below one second), wide enough for any
// millisecond count that fits in 64 bits.
struct MediaTimestamp {
    std::uint64_t seconds = 0;
    std::uint32_t nanos = 0;

    bool operator==(const MediaTimestamp&) const = default;
};

// The duration in whole milliseconds (nanoseconds rounded down); nothing when that count does
// not fit in 64 bits or `nanos` is not below one second.
std::optional<std::uint64_t> timestamp_to_millis(MediaTimestamp timestamp);
MediaTimestamp timestamp_from_millis(std::uint64_t millis);

inline constexpr std::size_t max_sender_bytes = 256;
inline constexpr std::size_t max_payload_bytes = 2'097'152;

struct MediaPacket {
    std::string sender;
    std::vector<std::uint8_t> payload;
    MediaTimestamp timestamp;
    std::uint64_t sequence = 0;
    MediaKind kind = MediaKind::Microphone;

    bool operator==(const MediaPacket&) const = default;
};

// Checks every limit of a packet: a sender of 1 to 256 bytes of UTF-8, a payload of at most
// 2 MiB, a timestamp whose milliseconds fit in 64 bits and a known kind. The error names the
// first limit that fails.
util::Result<void> validate_packet(const MediaPacket& packet);

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

} // namespace chat::media
