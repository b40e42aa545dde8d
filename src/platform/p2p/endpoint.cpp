#include "platform/p2p/endpoint.h"

#include "platform/util/fatal.h"

#include <algorithm>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/dispatch.hpp>
#include <asio/experimental/as_tuple.hpp>
#include <asio/ip/udp.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>
#include <chrono>
#include <future>
#include <ifaddrs.h>
#include <net/if.h>
#include <spdlog/spdlog.h>
#include <unordered_map>

namespace p2p {

namespace detail {

constexpr auto await_tuple = asio::experimental::as_tuple(asio::use_awaitable);

struct EndpointCore : std::enable_shared_from_this<EndpointCore> {
    EndpointCore(asio::io_context& io, SecretKey secret, Router r, EndpointOptions o)
        : strand(asio::make_strand(io)), socket(strand), key(std::move(secret)),
          router(std::move(r)), options(std::move(o))
    {
    }

    Strand strand;
    asio::ip::udp::socket socket;
    SecretKey key;
    SecretKey::Credentials credentials;
    Router router;
    EndpointOptions options;
    asio::ip::udp::endpoint local;
    std::unordered_map<std::string, std::shared_ptr<ConnState>> by_cid;
    std::vector<std::shared_ptr<ConnState>> connections;
    bool closed = false;

    QuicConnection::Identity identity() const { return {credentials.get(), key.public_id()}; }
    void send(std::span<const std::uint8_t> bytes, const asio::ip::udp::endpoint& to)
    {
        asio::error_code ec;
        // A full socket buffer loses the packet; QUIC's loss recovery sends it again.
        socket.send_to(asio::buffer(bytes.data(), bytes.size()), to, 0, ec);
    }
    void on_datagram(std::span<const std::uint8_t> bytes, const asio::ip::udp::endpoint& from,
                     std::vector<std::shared_ptr<ConnState>>& touched);
    void remove(const std::shared_ptr<ConnState>& conn);
    void close_all(std::string_view reason);
    QuicConnection::CidObserver cid_observer(const std::shared_ptr<ConnState>& state);
};

struct ConnState : std::enable_shared_from_this<ConnState> {
    explicit ConnState(EndpointCore& c)
        : core(c.shared_from_this()), timer(c.strand), signal(c.strand)
    {
        signal.expires_at(asio::steady_timer::time_point::max());
    }

    std::shared_ptr<EndpointCore> core;
    std::unique_ptr<QuicConnection> quic;
    asio::steady_timer timer;
    asio::steady_timer signal;
    bool flush_posted = false;
    bool dispatched = false;
    bool finished = false;
    std::uint64_t seen_progress = 0;

    void notify() { signal.cancel(); }
    asio::awaitable<void> wait() { co_await signal.async_wait(await_tuple); }

    // Sends what may leave, re-arms the timer, wakes waiters and hands a new server
    // connection to its protocol handler.
    void run_io()
    {
        if (finished)
            return;
        auto self = shared_from_this();
        (void)quic->flush(monotonic_now(), [&](std::span<const std::uint8_t> packet) {
            core->send(packet, quic->path().remote);
        });
        if (quic->progress() != seen_progress || quic->is_closed()) {
            seen_progress = quic->progress();
            notify();
        }
        if (quic->is_closed()) {
            finished = true;
            timer.cancel();
            notify();
            core->remove(self);
            return;
        }
        if (!quic->is_client() && quic->is_established() && !dispatched) {
            dispatched = true;
            dispatch();
        }
        arm_timer();
    }

    void schedule()
    {
        if (flush_posted || finished)
            return;
        flush_posted = true;
        asio::post(core->strand, [self = shared_from_this()] {
            self->flush_posted = false;
            self->run_io();
        });
    }

    void arm_timer()
    {
        Timestamp const expiry = quic->expiry();
        if (expiry == std::numeric_limits<Timestamp>::max()) {
            timer.cancel();
            return;
        }
        Timestamp const now = monotonic_now();
        auto const delay = std::chrono::nanoseconds(expiry > now ? expiry - now : 0);
        timer.expires_after(delay);
        timer.async_wait([weak = weak_from_this()](const asio::error_code& ec) {
            if (ec)
                return;
            if (auto self = weak.lock(); self && !self->finished) {
                (void)self->quic->handle_expiry(monotonic_now());
                self->run_io();
            }
        });
    }

    void dispatch()
    {
        ProtocolHandler* handler = core->router.find(quic->alpn());
        Connection connection(core, shared_from_this());
        if (!handler) {
            connection.close("no handler");
            return;
        }
        std::string alpn = quic->alpn();
        asio::co_spawn(
            core->strand,
            [handler, connection, alpn, c = core]() mutable -> asio::awaitable<void> {
                auto result = co_await handler->handle(connection);
                if (!result)
                    c->router.report(alpn, result.error());
                connection.close("done");
            },
            asio::detached);
    }
};

QuicConnection::CidObserver EndpointCore::cid_observer(const std::shared_ptr<ConnState>& state)
{
    return [this, weak = std::weak_ptr<ConnState>(state)](const std::string& cid, bool active) {
        auto conn = weak.lock();
        if (!conn)
            return;
        if (active) {
            by_cid[cid] = conn;
        } else if (auto it = by_cid.find(cid); it != by_cid.end() && it->second == conn) {
            by_cid.erase(it);
        }
    };
}

void EndpointCore::remove(const std::shared_ptr<ConnState>& conn)
{
    std::erase_if(by_cid, [&](const auto& entry) { return entry.second == conn; });
    std::erase(connections, conn);
}

void EndpointCore::close_all(std::string_view reason)
{
    auto all = connections;
    for (auto& conn : all) {
        auto packet = conn->quic->close(0, reason, monotonic_now());
        if (!packet.empty())
            send(packet, conn->quic->path().remote);
        conn->run_io();
    }
}

void EndpointCore::on_datagram(std::span<const std::uint8_t> bytes,
                               const asio::ip::udp::endpoint& from,
                               std::vector<std::shared_ptr<ConnState>>& touched)
{
    ngtcp2_version_cid vc{};
    if (ngtcp2_pkt_decode_version_cid(&vc, bytes.data(), bytes.size(), 18) != 0)
        return;
    std::string const dcid(reinterpret_cast<const char*>(vc.dcid), vc.dcidlen);
    QuicPath const path{local, from};
    std::shared_ptr<ConnState> conn;
    if (auto it = by_cid.find(dcid); it != by_cid.end()) {
        conn = it->second;
    } else {
        if (closed || connections.size() >= options.max_connections)
            return;
        auto state = std::make_shared<ConnState>(*this);
        auto quic = QuicConnection::accept(identity(), options.quic, router.alpns(), bytes, path,
                                           monotonic_now(), cid_observer(state));
        if (!quic)
            return;
        state->quic = std::move(*quic);
        connections.push_back(state);
        conn = state;
    }
    (void)conn->quic->receive(bytes, path, monotonic_now());
    if (std::find(touched.begin(), touched.end(), conn) == touched.end())
        touched.push_back(conn);
}

static asio::awaitable<void> receive_loop(std::shared_ptr<EndpointCore> core)
{
    std::vector<std::uint8_t> buffer(65536);
    std::vector<std::shared_ptr<ConnState>> touched;
    while (!core->closed) {
        asio::ip::udp::endpoint from;
        auto [ec, n] =
            co_await core->socket.async_receive_from(asio::buffer(buffer), from, await_tuple);
        if (core->closed || ec == asio::error::operation_aborted ||
            ec == asio::error::bad_descriptor)
            break;
        if (!ec)
            core->on_datagram(std::span(buffer.data(), n), from, touched);
        // Take whatever else is queued before writing, so replies and ACKs go out together.
        for (int i = 0; i < 256; ++i) {
            asio::error_code more;
            std::size_t const m = core->socket.receive_from(asio::buffer(buffer), from, 0, more);
            if (more)
                break;
            core->on_datagram(std::span(buffer.data(), m), from, touched);
        }
        for (auto& conn : touched)
            conn->run_io();
        touched.clear();
    }
}

} // namespace detail

using detail::await_tuple;

Connection::Connection(std::shared_ptr<detail::EndpointCore> core,
                       std::shared_ptr<detail::ConnState> state)
    : m_core(std::move(core)), m_state(std::move(state))
{
}

EndpointId Connection::remote_id() const
{
    return m_state->quic->remote_id().value_or(EndpointId{});
}

std::string Connection::alpn() const
{
    return m_state->quic->alpn();
}

bool Connection::is_closed() const
{
    return m_state->quic->is_closed();
}

std::string Connection::close_reason() const
{
    return m_state->quic->close_reason();
}

static void require_strand(const detail::EndpointCore& core)
{
    if (!core.strand.running_in_this_thread())
        util::fatal("p2p connection used outside its endpoint's strand");
}

asio::awaitable<util::Result<std::int64_t>> Connection::open_uni()
{
    require_strand(*m_core);
    for (;;) {
        auto& quic = *m_state->quic;
        if (quic.is_closed())
            co_return util::fail("{}", quic.close_reason());
        auto id = quic.open_uni();
        if (id)
            co_return *id;
        // Wait for the peer to allow another stream.
        co_await m_state->wait();
    }
}

asio::awaitable<util::Result<std::int64_t>> Connection::accept_uni()
{
    require_strand(*m_core);
    for (;;) {
        auto& quic = *m_state->quic;
        if (auto id = quic.take_incoming_uni())
            co_return *id;
        if (quic.is_closed())
            co_return util::fail("{}", quic.close_reason());
        co_await m_state->wait();
    }
}

static asio::awaitable<util::Result<void>> write_until(detail::ConnState& state,
                                                       std::int64_t stream,
                                                       std::vector<std::uint8_t> bytes,
                                                       std::uint64_t max_unsent, bool flush_now)
{
    auto& quic = *state.quic;
    if (quic.is_closed())
        co_return util::fail("{}", quic.close_reason());
    if (quic.stream_done(stream))
        co_return util::fail("stream {} is closed", stream);
    quic.write(stream, std::move(bytes));
    // A buffered write lets the writer queue everything it has before the flush that follows
    // on the strand, so small writes share packets; the flush still runs before any wait ends.
    if (flush_now)
        state.run_io();
    else
        state.schedule();
    while (quic.unsent(stream) > max_unsent) {
        if (quic.is_closed())
            co_return util::fail("{}", quic.close_reason());
        if (quic.stream_failed(stream))
            co_return util::fail("stream {} was stopped by the peer", stream);
        co_await state.wait();
    }
    co_return util::Result<void>{};
}

asio::awaitable<util::Result<void>> Connection::write_all(std::int64_t stream,
                                                          std::vector<std::uint8_t> bytes)
{
    require_strand(*m_core);
    co_return co_await write_until(*m_state, stream, std::move(bytes), 0, true);
}

asio::awaitable<util::Result<void>> Connection::write(std::int64_t stream,
                                                      std::vector<std::uint8_t> bytes)
{
    require_strand(*m_core);
    co_return co_await write_until(*m_state, stream, std::move(bytes), send_buffer_limit, false);
}

asio::awaitable<util::Result<void>> Connection::finish(std::int64_t stream)
{
    require_strand(*m_core);
    auto& quic = *m_state->quic;
    quic.finish(stream);
    m_state->schedule();
    while (!quic.stream_done(stream))
        co_await m_state->wait();
    if (quic.stream_failed(stream))
        co_return util::fail("stream {} ended early: {}", stream,
                             quic.is_closed() ? quic.close_reason() : "reset");
    co_return util::Result<void>{};
}

asio::awaitable<util::Result<bool>> Connection::wait_readable(std::int64_t stream)
{
    require_strand(*m_core);
    auto& quic = *m_state->quic;
    for (;;) {
        if (quic.readable(stream) > 0)
            co_return true;
        if (quic.read_finished(stream))
            co_return false;
        if (quic.read_ended(stream))
            co_return util::fail("{}",
                                 quic.is_closed() ? quic.close_reason() : "stream reset by peer");
        co_await m_state->wait();
    }
}

asio::awaitable<util::Result<void>> Connection::read_exact(std::int64_t stream,
                                                           std::span<std::uint8_t> out)
{
    require_strand(*m_core);
    auto& quic = *m_state->quic;
    std::size_t got = 0;
    while (got < out.size()) {
        std::size_t const n = quic.read(stream, out.subspan(got));
        got += n;
        if (n > 0)
            m_state->schedule();
        if (got == out.size())
            break;
        if (quic.read_ended(stream))
            co_return util::fail("stream ended {} bytes short", out.size() - got);
        co_await m_state->wait();
    }
    co_return util::Result<void>{};
}

void Connection::close(std::string_view reason)
{
    auto state = m_state;
    std::string text(reason);
    asio::dispatch(m_core->strand, [state, text] {
        if (state->finished)
            return;
        auto packet = state->quic->close(0, text, monotonic_now());
        if (!packet.empty())
            state->core->send(packet, state->quic->path().remote);
        state->run_io();
    });
}

void Router::add(std::string alpn, std::unique_ptr<ProtocolHandler> handler)
{
    m_handlers[std::move(alpn)] = std::move(handler);
}

ProtocolHandler* Router::find(std::string_view alpn) const
{
    auto it = m_handlers.find(alpn);
    return it == m_handlers.end() ? nullptr : it->second.get();
}

std::vector<std::string> Router::alpns() const
{
    std::vector<std::string> out;
    for (const auto& [alpn, handler] : m_handlers)
        out.push_back(alpn);
    return out;
}

void Router::report(std::string_view alpn, const util::Error& error) const
{
    if (m_observer)
        m_observer(alpn, error);
    else
        spdlog::warn("p2p: {} connection ended: {}", alpn, error.message);
}

asio::awaitable<util::Result<Connection>> EndpointRef::connect(EndpointAddr peer,
                                                               std::string alpn) const
{
    auto core = m_core;
    require_strand(*core);
    std::string last_error = "no direct address to dial (relay client not available)";
    for (const auto& transport : peer.addrs) {
        const auto* ip = std::get_if<IpAddr>(&transport);
        if (!ip || ip->endpoint.protocol() != core->local.protocol())
            continue;
        if (core->closed)
            co_return util::fail("endpoint is shut down");
        auto state = std::make_shared<detail::ConnState>(*core);
        QuicPath const path{core->local, ip->endpoint};
        auto quic = QuicConnection::connect(core->identity(), core->options.quic, peer.id, alpn,
                                            path, monotonic_now(), core->cid_observer(state));
        if (!quic) {
            last_error = quic.error().message;
            continue;
        }
        state->quic = std::move(*quic);
        core->connections.push_back(state);
        state->run_io();
        while (!state->quic->is_established() && !state->quic->is_closed())
            co_await state->wait();
        if (state->quic->is_established())
            co_return Connection(core, state);
        last_error =
            fmt::format("{}: {}", format_socket_addr(ip->endpoint), state->quic->close_reason());
    }
    co_return util::fail("connect to {}: {}", peer.id.to_string(), last_error);
}

Strand EndpointRef::executor() const
{
    return m_core->strand;
}

util::Result<std::unique_ptr<Endpoint>> Endpoint::bind(asio::io_context& io, SecretKey key,
                                                       Router router, EndpointOptions options)
{
    auto core = std::make_shared<detail::EndpointCore>(io, std::move(key), std::move(router),
                                                       std::move(options));
    auto credentials = core->key.make_credentials();
    if (!credentials)
        return std::unexpected(credentials.error());
    core->credentials = std::move(*credentials);
    asio::error_code ec;
    core->socket.open(core->options.bind.protocol(), ec);
    if (!ec)
        core->socket.bind(core->options.bind, ec);
    if (!ec)
        core->socket.non_blocking(true, ec);
    if (ec)
        return util::fail("bind UDP {}: {}", format_socket_addr(core->options.bind), ec.message());
    core->socket.set_option(asio::socket_base::receive_buffer_size(4 << 20), ec);
    core->socket.set_option(asio::socket_base::send_buffer_size(4 << 20), ec);
    core->local = core->socket.local_endpoint(ec);
    if (ec)
        return util::fail("local address: {}", ec.message());
    asio::co_spawn(core->strand, detail::receive_loop(core), asio::detached);
    return std::unique_ptr<Endpoint>(new Endpoint(std::move(core)));
}

Endpoint::~Endpoint()
{
    shutdown();
}

EndpointId Endpoint::id() const
{
    return m_core->key.public_id();
}

asio::ip::udp::endpoint Endpoint::local_endpoint() const
{
    return m_core->local;
}

Strand Endpoint::executor() const
{
    return m_core->strand;
}

EndpointAddr Endpoint::addr() const
{
    EndpointAddr out;
    out.id = id();
    auto const port = m_core->local.port();
    auto const bound = m_core->local.address();
    if (bound.is_unspecified()) {
        for (const auto& address : local_ipv4_addresses())
            out.addrs.push_back(IpAddr{{address, port}});
    } else {
        out.addrs.push_back(IpAddr{{bound, port}});
    }
    for (const auto& url : m_core->options.relay_urls)
        out.addrs.push_back(RelayAddr{url});
    return out;
}

static asio::awaitable<void> close_after_linger(std::shared_ptr<detail::EndpointCore> core,
                                                std::chrono::milliseconds linger)
{
    auto const deadline = std::chrono::steady_clock::now() + linger;
    asio::steady_timer pause(core->strand);
    auto sending = [&] {
        return std::any_of(core->connections.begin(), core->connections.end(),
                           [](const auto& conn) { return conn->quic->open_send_streams() > 0; });
    };
    while (!core->closed && sending() && std::chrono::steady_clock::now() < deadline) {
        pause.expires_after(std::chrono::milliseconds(5));
        co_await pause.async_wait(await_tuple);
    }
    if (core->closed)
        co_return;
    core->close_all("endpoint shut down");
    core->closed = true;
    asio::error_code ec;
    core->socket.close(ec);
}

void Endpoint::shutdown(std::chrono::milliseconds linger)
{
    auto core = m_core;
    auto done = std::make_shared<std::promise<void>>();
    auto future = done->get_future();
    asio::co_spawn(core->strand, close_after_linger(core, linger),
                   [done](std::exception_ptr) { done->set_value(); });
    if (!core->strand.running_in_this_thread())
        future.wait_for(linger + std::chrono::seconds(2));
}

std::vector<asio::ip::address> local_ipv4_addresses()
{
    std::vector<asio::ip::address> out;
    std::vector<asio::ip::address> loopback;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {asio::ip::address_v4::loopback()};
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !(it->ifa_flags & IFF_UP))
            continue;
        auto const* sin = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        asio::ip::address_v4 const address(ntohl(sin->sin_addr.s_addr));
        (address.is_loopback() ? loopback : out).push_back(address);
    }
    freeifaddrs(list);
    out.insert(out.end(), loopback.begin(), loopback.end());
    return out;
}

} // namespace p2p
