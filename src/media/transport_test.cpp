#include "media/media_protocol.h"
#include "media/peer_transport.h"
#include "media/wire_format.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/use_future.hpp>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace chat::media {
namespace {

using namespace std::chrono_literals;

PeerTransportOptions loopback_options()
{
    PeerTransportOptions options;
    options.endpoint.bind = {asio::ip::make_address("127.0.0.1"), 0};
    return options;
}

std::unique_ptr<PeerTransport> start_peer(PeerTransportOptions options = loopback_options())
{
    auto transport = PeerTransport::start(std::move(options));
    if (!transport)
        ADD_FAILURE() << transport.error().message;
    return transport ? std::move(*transport) : nullptr;
}

MediaPacket numbered(std::uint64_t sequence, std::string sender = "u_a")
{
    MediaPacket packet;
    packet.sender = std::move(sender);
    packet.sequence = sequence;
    packet.kind = static_cast<MediaKind>(sequence % 3);
    packet.timestamp = timestamp_from_millis(sequence * 20);
    packet.payload.assign(100 + (sequence % 7) * 900, static_cast<std::uint8_t>(sequence));
    return packet;
}

template <typename Pred> bool eventually(Pred pred, std::chrono::milliseconds limit = 10s)
{
    auto const deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred())
            return true;
        std::this_thread::sleep_for(2ms);
    }
    return pred();
}

TEST(PeerTransport, DeliversAThousandMixedPacketsInOrder)
{
    std::mutex mutex;
    std::vector<std::string> errors;
    auto options = loopback_options();
    options.handler_errors = [&](std::string_view, const util::Error& error) {
        std::lock_guard lock(mutex);
        errors.push_back(error.message);
    };
    auto a = start_peer();
    auto b = start_peer(std::move(options));
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(a->connect_peer(*b->local_ticket()));

    std::vector<MediaPacket> received;
    std::uint64_t next = 0;
    auto const deadline = std::chrono::steady_clock::now() + 20s;
    while (received.size() < 1000 && std::chrono::steady_clock::now() < deadline) {
        // Keep fewer packets in flight than B's queue holds, so nothing may be dropped; a full
        // outgoing queue refuses the packet and it is offered again next round.
        while (next < 1000 && next - received.size() < incoming_queue_capacity - 8 &&
               a->send_packet(numbered(next)))
            ++next;
        for (auto& packet : b->drain_incoming())
            received.push_back(std::move(packet));
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(received.size(), 1000u);
    for (std::uint64_t i = 0; i < 1000; ++i)
        ASSERT_EQ(received[i], numbered(i)) << i;

    // A leaving finishes its stream between frames: B's reader ends without an error.
    a.reset();
    std::this_thread::sleep_for(200ms);
    std::lock_guard lock(mutex);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST(PeerTransport, OwnTicketIsRefusedAndDuplicatesShareOneConnection)
{
    auto a = start_peer();
    auto b = start_peer();
    ASSERT_TRUE(a && b);
    auto const ticket = *b->local_ticket();
    EXPECT_FALSE(a->connect_peer(*a->local_ticket()));
    EXPECT_FALSE(a->connect_peer("{\"id\":\"00\",\"addrs\":[]}"));
    EXPECT_FALSE(a->connect_peer(ticket + " x")) << "trailing text";
    EXPECT_EQ(a->peer_count(), 0u);
    EXPECT_TRUE(a->connect_peer(ticket));
    EXPECT_TRUE(a->connect_peer(ticket));
    EXPECT_EQ(a->peer_count(), 1u);

    std::vector<std::uint64_t> got;
    ASSERT_TRUE(eventually([&] {
        a->send_packet(numbered(got.size() < 1 ? 0 : 1));
        for (auto& p : b->drain_incoming())
            got.push_back(p.sequence);
        return got.size() >= 3;
    }));
    // Each packet arrives once: a second connection would show up as duplicates.
    for (std::size_t i = 1; i < got.size(); ++i)
        EXPECT_GE(got[i], got[i - 1]);
}

TEST(PeerTransport, PeerWithTheWrongKeyIsRefusedAndDropped)
{
    auto a = start_peer();
    auto b = start_peer();
    auto c = start_peer();
    ASSERT_TRUE(a && b && c);
    // B's address under C's id: B cannot prove it holds C's key.
    auto forged = *p2p::parse_ticket(*b->local_ticket());
    forged.id = c->endpoint_id();
    ASSERT_TRUE(a->connect_peer(p2p::encode_ticket(forged)));
    ASSERT_TRUE(eventually([&] {
        a->send_packet(numbered(0));
        return a->peer_count() == 0;
    })) << "the broadcast removes the peer whose dialer ended";
    EXPECT_TRUE(b->drain_incoming().empty());
    EXPECT_TRUE(c->drain_incoming().empty());
    // Once removed, the same ticket is dialled afresh.
    EXPECT_TRUE(a->connect_peer(p2p::encode_ticket(forged)));
    EXPECT_EQ(a->peer_count(), 1u);
}

// A raw client that speaks the media protocol by hand, for frames no encoder would write.
struct RawClient {
    asio::io_context io;
    std::unique_ptr<p2p::Endpoint> endpoint;
    std::thread thread;
    asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);

    RawClient()
    {
        p2p::EndpointOptions options;
        options.bind = {asio::ip::make_address("127.0.0.1"), 0};
        endpoint = std::move(*p2p::Endpoint::bind(io, *p2p::SecretKey::generate(), {}, options));
        thread = std::thread([this] { io.run(); });
    }
    ~RawClient()
    {
        endpoint->shutdown();
        endpoint.reset();
        work.reset();
        io.stop();
        thread.join();
    }
    // Connects and writes `chunks` in order on one stream, then leaves the stream open.
    util::Result<void> send(const std::string& ticket,
                            std::vector<std::vector<std::uint8_t>> chunks)
    {
        auto peer = *p2p::parse_ticket(ticket);
        auto ref = endpoint->ref();
        auto task = [ref, peer, chunks]() -> asio::awaitable<util::Result<void>> {
            auto conn = co_await ref.connect(peer, std::string(media_alpn));
            if (!conn)
                co_return std::unexpected(conn.error());
            auto stream = co_await conn->open_uni();
            if (!stream)
                co_return std::unexpected(stream.error());
            for (auto chunk : chunks) {
                if (auto w = co_await conn->write_all(*stream, chunk); !w)
                    co_return w;
            }
            co_return util::Result<void>{};
        };
        return asio::co_spawn(endpoint->executor(), task(), asio::use_future).get();
    }
};

std::vector<std::uint8_t> frame(std::span<const std::uint8_t> body, std::uint32_t length)
{
    auto header = encode_frame_length(length);
    std::vector<std::uint8_t> out(frame_length_bytes + body.size());
    std::copy(header.begin(), header.end(), out.begin());
    std::copy(body.begin(), body.end(), out.begin() + frame_length_bytes);
    return out;
}

TEST(PeerTransport, ReaderSkipsBadFramesAndStopsAtAnOversizeOne)
{
    std::mutex mutex;
    std::vector<std::string> errors;
    auto options = loopback_options();
    options.handler_errors = [&](std::string_view, const util::Error& error) {
        std::lock_guard lock(mutex);
        errors.push_back(error.message);
    };
    auto b = start_peer(std::move(options));
    ASSERT_TRUE(b);
    auto good = *encode_packet(numbered(7));
    auto largest = *encode_packet([] {
        MediaPacket p = numbered(8, std::string(256, 's'));
        p.payload.assign(max_payload_bytes, 1);
        return p;
    }());
    ASSERT_EQ(largest.size(), max_frame_bytes);
    std::vector<std::uint8_t> garbage(40, 0xEE);

    RawClient client;
    auto sent =
        client.send(*b->local_ticket(), {frame({}, 0), frame(garbage, 40), frame(good, good.size()),
                                         frame(largest, largest.size()),
                                         frame({}, max_frame_bytes + 1), frame(good, good.size())});
    ASSERT_TRUE(sent) << sent.error().message;

    std::vector<MediaPacket> got;
    ASSERT_TRUE(eventually([&] {
        for (auto& p : b->drain_incoming())
            got.push_back(std::move(p));
        std::lock_guard lock(mutex);
        return !errors.empty() && got.size() >= 2;
    }));
    std::this_thread::sleep_for(50ms);
    for (auto& p : b->drain_incoming())
        got.push_back(std::move(p));
    ASSERT_EQ(got.size(), 2u) << "nothing is read after the oversize frame";
    EXPECT_EQ(got[0].sequence, 7u);
    EXPECT_EQ(got[1].sequence, 8u);
    std::lock_guard lock(mutex);
    EXPECT_EQ(errors, std::vector<std::string>{"media frame too large: 2097432"});
}

TEST(PeerTransport, AStalledPeerDoesNotHoldUpOthers)
{
    auto a = start_peer();
    auto b = start_peer();
    ASSERT_TRUE(a && b);
    RawClient staller;
    std::vector<std::uint8_t> partial(10, 1);
    ASSERT_TRUE(staller.send(*b->local_ticket(), {frame(partial, 500)}));

    ASSERT_TRUE(a->connect_peer(*b->local_ticket()));
    std::size_t got = 0;
    EXPECT_TRUE(eventually([&] {
        a->send_packet(numbered(1));
        got += b->drain_incoming().size();
        return got >= 5;
    }));
}

TEST(PeerTransport, IncomingQueueDropsBeyondItsCapacity)
{
    auto a = start_peer();
    auto b = start_peer();
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(a->connect_peer(*b->local_ticket()));
    // Nobody drains B while A keeps sending.
    std::uint64_t sent = 0;
    auto const deadline = std::chrono::steady_clock::now() + 5s;
    while (sent < 400 && std::chrono::steady_clock::now() < deadline) {
        if (a->send_packet(numbered(sent)))
            ++sent;
        else
            std::this_thread::sleep_for(1ms);
    }
    // Time for A's queue to reach B, which keeps the first 128 and drops the rest.
    std::this_thread::sleep_for(1s);
    std::size_t total = 0;
    for (;;) {
        auto batch = b->drain_incoming();
        EXPECT_LE(batch.size(), drain_batch_limit);
        if (batch.empty())
            break;
        total += batch.size();
    }
    EXPECT_EQ(total, incoming_queue_capacity);
}

} // namespace
} // namespace chat::media
