#pragma once
// A QUIC endpoint addressed by its Ed25519 public key, on one UDP socket, driven by an Asio
// io_context (any number of threads; all endpoint state lives on one strand).
//
// Dialing needs the peer's address and its id; the handshake fails unless the peer proves it
// holds that id's key. Accepted connections go to the protocol handler registered for the
// ALPN the peer asked for. Streams are unidirectional.
//
// Threads: bind, id, addr and shutdown may be called from any thread; bind blocks only while
// the socket is opened. Connection operations are coroutines that must run on the endpoint's
// strand (spawn them with `executor()`); they never block a thread.

#include "platform/p2p/endpoint_addr.h"
#include "platform/p2p/quic_connection.h"
#include "platform/p2p/secret_key.h"
#include "platform/util/result.h"

#include <asio/awaitable.hpp>
#include <asio/io_context.hpp>
#include <asio/strand.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace p2p {

namespace detail {
struct EndpointCore;
struct ConnState;
} // namespace detail

using Strand = asio::strand<asio::io_context::executor_type>;

// A handle to one connection. Copies share the connection; it stays open until close or a
// failure, whichever comes first.
class Connection {
  public:
    Connection(std::shared_ptr<detail::EndpointCore> core,
               std::shared_ptr<detail::ConnState> state);

    EndpointId remote_id() const;
    std::string alpn() const;
    bool is_closed() const;
    std::string close_reason() const;

    asio::awaitable<util::Result<std::int64_t>> open_uni();
    // The next unidirectional stream the peer opens; an error once the connection closed.
    asio::awaitable<util::Result<std::int64_t>> accept_uni();
    // Completes once every byte has been put into packets (memory stays bounded by the
    // congestion and flow-control windows).
    asio::awaitable<util::Result<void>> write_all(std::int64_t stream,
                                                  std::vector<std::uint8_t> bytes);
    // Queues `bytes` and completes as soon as no more than send_buffer_limit bytes wait to be
    // put into packets, so a run of small writes needs no wait between them.
    asio::awaitable<util::Result<void>> write(std::int64_t stream, std::vector<std::uint8_t> bytes);
    static constexpr std::uint64_t send_buffer_limit = 256 * 1024;
    // Ends the stream and waits until the peer has acknowledged all of it.
    asio::awaitable<util::Result<void>> finish(std::int64_t stream);
    // Waits until the stream has bytes to read (true) or the peer ended it cleanly with nothing
    // left to read (false); an error when the connection closes first.
    asio::awaitable<util::Result<bool>> wait_readable(std::int64_t stream);
    // Fills `out` completely; an error when the stream ends first or the connection closes.
    asio::awaitable<util::Result<void>> read_exact(std::int64_t stream,
                                                   std::span<std::uint8_t> out);
    void close(std::string_view reason);

  private:
    std::shared_ptr<detail::EndpointCore> m_core;
    std::shared_ptr<detail::ConnState> m_state;
};

class ProtocolHandler {
  public:
    virtual ~ProtocolHandler() = default;
    // Serves one accepted connection; the endpoint closes it when this returns. An error is
    // reported through the router's error observer.
    virtual asio::awaitable<util::Result<void>> handle(Connection connection) = 0;
};

class Router {
  public:
    using ErrorObserver = std::function<void(std::string_view alpn, const util::Error& error)>;

    void add(std::string alpn, std::unique_ptr<ProtocolHandler> handler);
    // Called on the endpoint's strand for every handler that ends with an error; by default
    // the error is logged.
    void set_error_observer(ErrorObserver observer) { m_observer = std::move(observer); }

    ProtocolHandler* find(std::string_view alpn) const;
    std::vector<std::string> alpns() const;
    void report(std::string_view alpn, const util::Error& error) const;

  private:
    std::map<std::string, std::unique_ptr<ProtocolHandler>, std::less<>> m_handlers;
    ErrorObserver m_observer;
};

struct EndpointOptions {
    asio::ip::udp::endpoint bind{asio::ip::address_v4::any(), 0};
    // Carried in the address for peers; there is no relay client yet.
    std::vector<std::string> relay_urls;
    QuicSettings quic;
    // Each connection may hold up to its flow-control window of received bytes.
    std::size_t max_connections = 64;
};

// A shareable reference for tasks that dial; keeps the endpoint's state alive.
class EndpointRef {
  public:
    explicit EndpointRef(std::shared_ptr<detail::EndpointCore> core) : m_core(std::move(core)) {}
    // Tries the peer's direct addresses in order until one completes an authenticated
    // handshake for `alpn`.
    asio::awaitable<util::Result<Connection>> connect(EndpointAddr peer, std::string alpn) const;
    Strand executor() const;

  private:
    std::shared_ptr<detail::EndpointCore> m_core;
};

class Endpoint {
  public:
    static util::Result<std::unique_ptr<Endpoint>>
    bind(asio::io_context& io, SecretKey key, Router router, EndpointOptions options = {});
    // Shuts down (see shutdown) and releases this owner's share of the state.
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    EndpointId id() const;
    // The id, every local address the socket is bound on with its port, and the relay URLs.
    EndpointAddr addr() const;
    asio::ip::udp::endpoint local_endpoint() const;
    EndpointRef ref() const { return EndpointRef(m_core); }
    Strand executor() const;

    // Closes every connection (telling the peers) and the socket. First waits up to `linger`
    // for streams that are still sending to be finished and acknowledged. Blocks until done
    // when the io_context runs on other threads; otherwise only queues the work.
    void shutdown(std::chrono::milliseconds linger = std::chrono::milliseconds(0));

  private:
    explicit Endpoint(std::shared_ptr<detail::EndpointCore> core) : m_core(std::move(core)) {}
    std::shared_ptr<detail::EndpointCore> m_core;
};

// The IPv4 addresses of this machine's interfaces that are up, loopback last.
std::vector<asio::ip::address> local_ipv4_addresses();

} // namespace p2p
