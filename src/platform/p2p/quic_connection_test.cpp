#include "platform/p2p/quic_connection.h"
#include "platform/p2p/secret_key.h"

#include <gtest/gtest.h>
#include <map>

namespace p2p {
namespace {

// Two connections wired back to back through vectors of datagrams, with a clock that only
// moves when the test says so.
struct Pair {
    SecretKey client_key = *SecretKey::generate();
    SecretKey server_key = *SecretKey::generate();
    SecretKey::Credentials client_creds = *client_key.make_credentials();
    SecretKey::Credentials server_creds = *server_key.make_credentials();
    QuicPath client_path{asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 1000),
                         asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 2000)};
    QuicPath server_path{client_path.remote, client_path.local};
    Timestamp now = 1'000'000'000;
    std::unique_ptr<QuicConnection> client;
    std::unique_ptr<QuicConnection> server;
    std::vector<std::vector<std::uint8_t>> to_server, to_client;
    std::string server_error;
    std::string client_error;

    void start(EndpointId expected, std::vector<std::string> server_alpns = {"test/1"})
    {
        auto c = QuicConnection::connect({client_creds.get(), client_key.public_id()}, {}, expected,
                                         "test/1", client_path, now, nullptr);
        ASSERT_TRUE(c) << c.error().message;
        client = std::move(*c);
        flush_client();
        ASSERT_FALSE(to_server.empty());
        auto s = QuicConnection::accept({server_creds.get(), server_key.public_id()}, {},
                                        std::move(server_alpns), to_server.front(), server_path,
                                        now, nullptr);
        ASSERT_TRUE(s) << s.error().message;
        server = std::move(*s);
    }
    void flush_client()
    {
        if (auto r = client->flush(
                now, [&](auto bytes) { to_server.emplace_back(bytes.begin(), bytes.end()); });
            !r)
            client_error = r.error().message;
    }
    void flush_server()
    {
        (void)server->flush(
            now, [&](auto bytes) { to_client.emplace_back(bytes.begin(), bytes.end()); });
    }
    // Exchanges datagrams; when none are in flight, moves the clock to the next timer.
    void pump(int rounds = 60)
    {
        for (int i = 0; i < rounds; ++i) {
            if (to_server.empty() && to_client.empty()) {
                Timestamp const next = std::min(client->expiry(), server->expiry());
                if (next > now + 2'000'000'000ull)
                    break;
                now = std::max(now, next);
            } else {
                now += 100'000;
            }
            if (client->expiry() <= now)
                (void)client->handle_expiry(now);
            if (server->expiry() <= now)
                (void)server->handle_expiry(now);
            auto in_server = std::exchange(to_server, {});
            for (auto& d : in_server) {
                if (auto r = server->receive(d, server_path, now); !r)
                    server_error = r.error().message;
            }
            flush_server();
            auto in_client = std::exchange(to_client, {});
            for (auto& d : in_client) {
                if (auto r = client->receive(d, client_path, now); !r)
                    client_error = r.error().message;
            }
            flush_client();
        }
    }
};

TEST(QuicConnection, HandshakeAuthenticatesBothKeysAndCarriesAStream)
{
    Pair pair;
    pair.start(pair.server_key.public_id());
    pair.pump();
    ASSERT_TRUE(pair.client->is_established()) << pair.client->close_reason();
    ASSERT_TRUE(pair.server->is_established())
        << pair.server->close_reason() << "/" << pair.server_error << "/" << pair.client_error;
    EXPECT_EQ(pair.client->remote_id(), pair.server_key.public_id());
    EXPECT_EQ(pair.server->remote_id(), pair.client_key.public_id());
    EXPECT_EQ(pair.server->alpn(), "test/1");

    auto stream = pair.client->open_uni();
    ASSERT_TRUE(stream) << stream.error().message;
    std::vector<std::uint8_t> big(300'000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    pair.client->write(*stream, big);
    pair.client->finish(*stream);
    pair.flush_client();

    std::vector<std::uint8_t> got;
    std::optional<std::int64_t> incoming;
    for (int i = 0; i < 400 && !(incoming && pair.server->read_ended(*incoming)); ++i) {
        pair.pump(1);
        if (!incoming)
            incoming = pair.server->take_incoming_uni();
        if (incoming) {
            std::vector<std::uint8_t> buf(70'000);
            std::size_t n = pair.server->read(*incoming, buf);
            got.insert(got.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
        }
    }
    EXPECT_EQ(got, big);
    pair.pump();
    EXPECT_TRUE(pair.client->stream_done(*stream));
    EXPECT_FALSE(pair.client->stream_failed(*stream));
}

TEST(QuicConnection, ClientRefusesAServerWhoseKeyIsNotTheExpectedOne)
{
    Pair pair;
    auto other = *SecretKey::generate();
    pair.start(other.public_id());
    pair.pump();
    EXPECT_FALSE(pair.client->is_established());
    EXPECT_TRUE(pair.client->is_closed());
    EXPECT_NE(pair.client->close_reason().find("does not match"), std::string::npos)
        << pair.client->close_reason();
    EXPECT_FALSE(pair.server->is_established());
}

TEST(QuicConnection, UnknownAlpnFailsTheHandshake)
{
    Pair pair;
    pair.start(pair.server_key.public_id(), {"other/1"});
    pair.pump();
    EXPECT_FALSE(pair.client->is_established());
    EXPECT_FALSE(pair.server->is_established());
}

} // namespace
} // namespace p2p
