#include "platform/p2p/channel.h"
#include "platform/p2p/endpoint.h"

#include <asio/co_spawn.hpp>
#include <asio/use_future.hpp>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace p2p {
namespace {

using namespace std::chrono_literals;

TEST(EndpointId, PrintsAndParsesHex)
{
    auto key = *SecretKey::generate();
    auto text = key.public_id().to_string();
    EXPECT_EQ(text.size(), 64u);
    EXPECT_EQ(EndpointId::parse(text), key.public_id());
    std::string upper = text;
    for (auto& c : upper)
        c = static_cast<char>(std::toupper(c));
    EXPECT_EQ(EndpointId::parse(upper), key.public_id());
    EXPECT_FALSE(EndpointId::parse(text.substr(1)));
    EXPECT_FALSE(EndpointId::parse(text + "0"));
    EXPECT_FALSE(EndpointId::parse(std::string(64, 'g')));
}

TEST(SecretKey, StoredFormRoundTripsAndMismatchedHalvesAreRefused)
{
    auto key = *SecretKey::generate();
    auto bytes = key.to_bytes();
    auto loaded = SecretKey::from_bytes(bytes);
    ASSERT_TRUE(loaded) << loaded.error().message;
    EXPECT_EQ(loaded->public_id(), key.public_id());

    auto other = SecretKey::generate()->to_bytes();
    std::copy(other.begin() + 32, other.end(), bytes.begin() + 32);
    EXPECT_FALSE(SecretKey::from_bytes(bytes));
    EXPECT_FALSE(SecretKey::from_bytes(std::span(bytes.data(), 63)));
}

TEST(Ticket, RoundTripsEveryAddressKind)
{
    EndpointAddr addr;
    addr.id = SecretKey::generate()->public_id();
    addr.addrs = {IpAddr{{asio::ip::make_address("192.0.2.7"), 4433}},
                  IpAddr{{asio::ip::make_address("2001:db8::1"), 9}},
                  RelayAddr{"https://relay.example/"}, CustomAddr{"{\"t\":[1,2]}"}};
    std::string const ticket = encode_ticket(addr);
    EXPECT_NE(ticket.find("{\"Ip\":\"192.0.2.7:4433\"}"), std::string::npos) << ticket;
    EXPECT_NE(ticket.find("{\"Ip\":\"[2001:db8::1]:9\"}"), std::string::npos) << ticket;
    EXPECT_EQ(parse_ticket(ticket), addr);
    EXPECT_EQ(parse_ticket(" \n" + ticket + " \t\r\n"), addr) << "whitespace around is fine";
}

TEST(Ticket, MalformedTicketsAreRejected)
{
    std::string const id = SecretKey::generate()->public_id().to_string();
    std::string const good = "{\"id\":\"" + id + "\",\"addrs\":[{\"Ip\":\"127.0.0.1:1\"}]}";
    ASSERT_TRUE(parse_ticket(good));
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"trailing text", good + "x"},
        {"second object", good + "{}"},
        {"NUL then text", good + std::string(1, '\0') + "x"},
        {"not an object", "[]"},
        {"missing addrs", "{\"id\":\"" + id + "\"}"},
        {"repeated id", "{\"id\":\"" + id + "\",\"id\":\"" + id + "\",\"addrs\":[]}"},
        {"unknown member", "{\"id\":\"" + id + "\",\"addrs\":[],\"x\":1}"},
        {"short id", "{\"id\":\"abcd\",\"addrs\":[]}"},
        {"unknown kind", "{\"id\":\"" + id + "\",\"addrs\":[{\"Tor\":\"x\"}]}"},
        {"two kinds in one",
         "{\"id\":\"" + id + "\",\"addrs\":[{\"Ip\":\"1.2.3.4:5\",\"Relay\":\"r\"}]}"},
        {"no port", "{\"id\":\"" + id + "\",\"addrs\":[{\"Ip\":\"1.2.3.4\"}]}"},
        {"port too big", "{\"id\":\"" + id + "\",\"addrs\":[{\"Ip\":\"1.2.3.4:65536\"}]}"},
        {"v6 without brackets", "{\"id\":\"" + id + "\",\"addrs\":[{\"Ip\":\"::1:5\"}]}"},
        {"bad UTF-8", "{\"id\":\"" + id + "\",\"addrs\":[{\"Relay\":\"\xC0\x80\"}]}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(parse_ticket(c.text));
    }
}

TEST(Channel, ReportsFullAndClosedFromEitherEnd)
{
    auto [tx, rx] = make_channel<int>(2);
    EXPECT_EQ(tx.try_send(1), SendResult::Sent);
    EXPECT_EQ(tx.try_send(2), SendResult::Sent);
    EXPECT_EQ(tx.try_send(3), SendResult::Full);
    EXPECT_EQ(rx.try_recv(), 1);
    tx.close();
    EXPECT_FALSE(rx.is_finished()) << "an item still waits";
    EXPECT_EQ(rx.try_recv(), 2);
    EXPECT_TRUE(rx.is_finished());

    auto [tx2, rx2] = make_channel<int>(1);
    rx2.close();
    EXPECT_EQ(tx2.try_send(1), SendResult::Closed);
}

// Two endpoints on one io_context run by two threads, as the application runs them.
struct Runtime {
    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);
    std::vector<std::thread> threads;
    Runtime()
    {
        for (int i = 0; i < 2; ++i)
            threads.emplace_back([this] { io.run(); });
    }
    ~Runtime()
    {
        work.reset();
        io.stop();
        for (auto& t : threads)
            t.join();
    }
};

class EchoOnce final : public ProtocolHandler {
  public:
    std::promise<std::string> got;
    asio::awaitable<util::Result<void>> handle(Connection connection) override
    {
        auto stream = co_await connection.accept_uni();
        if (!stream)
            co_return std::unexpected(stream.error());
        std::string text(5, '\0');
        auto read = co_await connection.read_exact(
            *stream, std::span(reinterpret_cast<std::uint8_t*>(text.data()), 5));
        if (!read)
            co_return std::unexpected(read.error());
        got.set_value(text + "/" + connection.remote_id().to_string());
        co_return util::Result<void>{};
    }
};

EndpointOptions loopback(std::chrono::milliseconds idle = 30'000ms)
{
    EndpointOptions options;
    options.bind = {asio::ip::make_address("127.0.0.1"), 0};
    options.quic.idle_timeout = idle;
    options.quic.handshake_timeout = 2s;
    return options;
}

TEST(Endpoint, DialsByKeyRoutesByAlpnAndRefusesAnImpostor)
{
    Runtime runtime;
    Router router;
    auto echo = std::make_unique<EchoOnce>();
    auto got = echo->got.get_future();
    router.add("echo/1", std::move(echo));
    auto server =
        *Endpoint::bind(runtime.io, *SecretKey::generate(), std::move(router), loopback());
    auto client = *Endpoint::bind(runtime.io, *SecretKey::generate(), {}, loopback());
    auto ref = client->ref();

    auto target = server->addr();
    ASSERT_FALSE(target.addrs.empty());
    auto send = [ref](EndpointAddr peer, std::string alpn) -> asio::awaitable<std::string> {
        auto conn = co_await ref.connect(peer, alpn);
        if (!conn)
            co_return conn.error().message;
        auto stream = co_await conn->open_uni();
        std::vector<std::uint8_t> hello{'h', 'e', 'l', 'l', 'o'};
        auto wrote = co_await conn->write_all(*stream, hello);
        // The handler closes the connection once it has read; the end of the stream may race
        // with that, so only the write is checked here.
        (void)co_await conn->finish(*stream);
        conn->close("bye");
        co_return wrote ? "ok" : wrote.error().message;
    };
    EXPECT_EQ(asio::co_spawn(client->executor(), send(target, "echo/1"), asio::use_future).get(),
              "ok");
    ASSERT_EQ(got.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(got.get(), "hello/" + client->id().to_string());

    auto impostor = target;
    impostor.id = SecretKey::generate()->public_id();
    auto refused =
        asio::co_spawn(client->executor(), send(impostor, "echo/1"), asio::use_future).get();
    EXPECT_NE(refused.find("does not match"), std::string::npos) << refused;

    auto wrong_alpn =
        asio::co_spawn(client->executor(), send(target, "other/1"), asio::use_future).get();
    EXPECT_NE(wrong_alpn, "ok");

    EndpointAddr relay_only{target.id, {RelayAddr{"https://relay.example"}}};
    auto no_route =
        asio::co_spawn(client->executor(), send(relay_only, "echo/1"), asio::use_future).get();
    EXPECT_NE(no_route.find("relay client not available"), std::string::npos) << no_route;
}

class HoldOpen final : public ProtocolHandler {
  public:
    asio::awaitable<util::Result<void>> handle(Connection connection) override
    {
        auto stream = co_await connection.accept_uni();
        co_return stream ? util::Result<void>{} : std::unexpected(stream.error());
    }
};

TEST(Endpoint, ConnectionToAVanishedPeerEndsAtTheIdleTimeout)
{
    Runtime runtime;
    Router router;
    router.add("hold/1", std::make_unique<HoldOpen>());
    auto server =
        *Endpoint::bind(runtime.io, *SecretKey::generate(), std::move(router), loopback(300ms));
    auto client = *Endpoint::bind(runtime.io, *SecretKey::generate(), {}, loopback(300ms));
    auto ref = client->ref();
    auto target = server->addr();
    auto dial = [ref, target]() -> asio::awaitable<std::optional<Connection>> {
        auto c = co_await ref.connect(target, "hold/1");
        if (!c)
            co_return std::nullopt;
        co_return *c;
    };
    auto conn = asio::co_spawn(client->executor(), dial(), asio::use_future).get();
    ASSERT_TRUE(conn);
    // The server's socket closes without a word reaching the client.
    asio::post(server->executor(), [] {});
    server->shutdown();
    auto const deadline = std::chrono::steady_clock::now() + 5s;
    while (!conn->is_closed() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(conn->is_closed());
}

} // namespace
} // namespace p2p
