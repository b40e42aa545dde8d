#include "media/loopback_transport.h"
#include "media/transport_selection.h"
#include "media/wire_format.h"

#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

namespace chat::media {
namespace {

MediaPacket packet_of(std::size_t sender_bytes, std::size_t payload_bytes,
                      MediaKind kind = MediaKind::Camera)
{
    MediaPacket packet;
    packet.sender = std::string(sender_bytes, 'u');
    packet.payload.assign(payload_bytes, 0xAB);
    packet.timestamp = {12, 345'000'000};
    packet.sequence = 0x0102030405060708ull;
    packet.kind = kind;
    return packet;
}

TEST(WireFormat, EncodesFieldsAtTheirOffsetsLittleEndian)
{
    MediaPacket packet = packet_of(2, 3, MediaKind::Screen);
    auto bytes = encode_packet(packet);
    ASSERT_TRUE(bytes);
    std::vector<std::uint8_t> const expected = {
        2,                                              // kind
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, // sequence
        0x39, 0x30, 0,    0,    0,    0,    0,    0,    // 12345 ms
        2,    0,                                        // sender length
        'u',  'u',                                      // sender
        3,    0,    0,    0,                            // payload length
        0xAB, 0xAB, 0xAB};
    EXPECT_EQ(*bytes, expected);
    EXPECT_EQ(bytes->capacity(), bytes->size());
    EXPECT_EQ(decode_packet(*bytes), packet);
}

TEST(WireFormat, LimitsHoldOnBothSides)
{
    struct Case {
        const char* name;
        std::size_t sender;
        std::size_t payload;
        bool valid;
    };
    const Case cases[] = {
        {"256-byte sender", 256, 0, true},
        {"257-byte sender", 257, 0, false},
        {"empty sender", 0, 0, false},
        {"2 MiB payload", 1, max_payload_bytes, true},
        {"2 MiB + 1 payload", 1, max_payload_bytes + 1, false},
        {"largest frame", 256, max_payload_bytes, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MediaPacket packet = packet_of(c.sender, c.payload);
        packet.sequence = 0;
        packet.timestamp = {};
        auto encoded = encode_packet(packet);
        EXPECT_EQ(encoded.has_value(), c.valid);
        // Build the bytes by hand for the invalid ones, so the decoder is tested on them too.
        std::vector<std::uint8_t> bytes;
        bytes.push_back(1);
        bytes.insert(bytes.end(), 16, 0);
        bytes.push_back(static_cast<std::uint8_t>(c.sender));
        bytes.push_back(static_cast<std::uint8_t>(c.sender >> 8));
        bytes.insert(bytes.end(), c.sender, 'u');
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(c.payload >> (8 * i)));
        bytes.insert(bytes.end(), c.payload, 0xAB);
        EXPECT_EQ(decode_packet(bytes).has_value(), c.valid);
        if (c.valid) {
            EXPECT_EQ(*encoded, bytes) << "hand-built bytes match the encoder";
            EXPECT_LE(bytes.size(), max_frame_bytes);
        }
    }
    EXPECT_EQ(max_frame_bytes, 2'097'431u);
}

TEST(WireFormat, MalformedPacketsAreRejected)
{
    auto good = *encode_packet(packet_of(3, 4));
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    auto with = [&](auto change) {
        auto b = good;
        change(b);
        return b;
    };
    const Case cases[] = {
        {"empty", {}},
        {"shorter than the header", std::vector<std::uint8_t>(good.begin(), good.begin() + 18)},
        {"kind 3", with([](auto& b) { b[0] = 3; })},
        {"one trailing byte", with([](auto& b) { b.push_back(0); })},
        {"one byte short", with([](auto& b) { b.pop_back(); })},
        {"sender length past the end", with([](auto& b) { b[17] = 0xFF; })},
        {"payload length past the end", with([](auto& b) { b[22] = 9; })},
        {"sender not UTF-8", with([](auto& b) {
             b[19] = 0xC0;
             b[20] = 0x80;
         })},
        {"payload length over 2 MiB", with([](auto& b) { b[25] = 0x40; })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(decode_packet(c.bytes));
    }
}

TEST(WireFormat, MillisecondsTruncateNanoseconds)
{
    MediaPacket packet = packet_of(1, 0);
    packet.timestamp = {1, 999'999'999};
    auto decoded = decode_packet(*encode_packet(packet));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->timestamp, (MediaTimestamp{1, 999'000'000}));
    EXPECT_EQ(timestamp_to_millis({1, 999'999'999}), 1999u);

    packet.timestamp = timestamp_from_millis(UINT64_MAX);
    EXPECT_TRUE(encode_packet(packet));
    packet.timestamp.seconds += 1;
    EXPECT_FALSE(encode_packet(packet)) << "milliseconds no longer fit in 64 bits";
}

TEST(WireFormat, FrameLengthsAreClassified)
{
    EXPECT_EQ(classify_frame_length(0), FrameAction::Skip);
    EXPECT_EQ(classify_frame_length(1), FrameAction::Read);
    EXPECT_EQ(classify_frame_length(2'097'431), FrameAction::Read);
    EXPECT_EQ(classify_frame_length(2'097'432), FrameAction::TooLarge);
    auto bytes = encode_frame_length(0x01020304);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{4, 3, 2, 1}));
    EXPECT_EQ(decode_frame_length(bytes), 0x01020304u);
}

RC_GTEST_PROP(WireFormat, ValidPacketsRoundTrip, ())
{
    MediaPacket packet;
    packet.sender = *rc::gen::container<std::string>(*rc::gen::inRange<std::size_t>(1, 257),
                                                     rc::gen::inRange<char>('a', 'z' + 1));
    packet.payload = *rc::gen::container<std::vector<std::uint8_t>>(
        *rc::gen::inRange<std::size_t>(0, 4096), rc::gen::arbitrary<std::uint8_t>());
    packet.sequence = *rc::gen::arbitrary<std::uint64_t>();
    packet.timestamp = timestamp_from_millis(*rc::gen::arbitrary<std::uint64_t>());
    packet.kind = static_cast<MediaKind>(*rc::gen::inRange(0, 3));
    auto bytes = encode_packet(packet);
    RC_ASSERT(bytes.has_value());
    RC_ASSERT(bytes->size() == 23 + packet.sender.size() + packet.payload.size());
    auto decoded = decode_packet(*bytes);
    RC_ASSERT(decoded.has_value());
    RC_ASSERT(*decoded == packet);
    // Every strict prefix is rejected.
    auto cut = *rc::gen::inRange<std::size_t>(0, bytes->size());
    RC_ASSERT(!decode_packet(std::span(bytes->data(), cut)).has_value());
}

TEST(LoopbackTransport, ReturnsOwnPacketsUpToItsLimits)
{
    LoopbackTransport transport;
    EXPECT_EQ(transport.local_ticket(), "sim://local");
    EXPECT_TRUE(transport.connect_peer("anything"));
    EXPECT_FALSE(transport.send_packet(packet_of(0, 1))) << "invalid packets are dropped";
    for (std::uint64_t i = 0; i < 130; ++i) {
        auto packet = packet_of(1, 1);
        packet.sequence = i;
        EXPECT_EQ(transport.send_packet(packet), i < 128) << i;
    }
    auto first = transport.drain_incoming();
    ASSERT_EQ(first.size(), 64u);
    EXPECT_EQ(first.front().sequence, 0u);
    EXPECT_EQ(first.back().sequence, 63u);
    EXPECT_EQ(transport.drain_incoming().size(), 64u);
    EXPECT_TRUE(transport.drain_incoming().empty());
}

TEST(TransportSelection, DesktopSessionVariablesPickThePeerTransport)
{
    struct Case {
        const char* name;
        std::optional<std::string> dbus;
        std::optional<std::string> wayland;
        TransportChoice expected;
    };
    const Case cases[] = {
        {"neither", std::nullopt, std::nullopt, TransportChoice::Loopback},
        {"empty bus address", "", std::nullopt, TransportChoice::Peer},
        {"bus address", "unix:path=/run/bus", std::nullopt, TransportChoice::Peer},
        {"wayland only", std::nullopt, "wayland-0", TransportChoice::Peer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto env = [&](const char* name) -> std::optional<std::string> {
            if (std::string_view(name) == "DBUS_SESSION_BUS_ADDRESS")
                return c.dbus;
            if (std::string_view(name) == "WAYLAND_DISPLAY")
                return c.wayland;
            return std::nullopt;
        };
        EXPECT_EQ(choose_transport(env), c.expected);
    }
    auto none = [](const char*) -> std::optional<std::string> { return std::nullopt; };
    EXPECT_EQ(start_media_transport(none)->local_ticket(), "sim://local");
}

} // namespace
} // namespace chat::media
