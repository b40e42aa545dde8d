#pragma once
// One QUIC connection (ngtcp2 + GnuTLS, TLS 1.3) without any I/O: bytes, paths and the time
// go in, packets to send and state changes come out. The endpoint owns the socket and the
// clock and drives this object from its strand; tests drive two of them back to back.
//
// Peers authenticate by key: each side presents a self-signed certificate for its Ed25519 key.
// The dialing side refuses any peer whose key differs from the one it expects; the accepting
// side requires a certificate and records its key as the remote id.
//
// Not thread-safe: one owner calls everything.

#include "platform/p2p/endpoint_id.h"
#include "platform/util/result.h"

#include <asio/ip/udp.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <gnutls/gnutls.h>
#include <map>
#include <memory>
#include <ngtcp2/ngtcp2.h>
#include <ngtcp2/ngtcp2_crypto.h>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace p2p {

// Nanoseconds of the monotonic clock, the unit ngtcp2 counts in.
using Timestamp = std::uint64_t;
Timestamp monotonic_now();

struct QuicSettings {
    std::chrono::nanoseconds idle_timeout = std::chrono::seconds(30);
    std::chrono::nanoseconds handshake_timeout = std::chrono::seconds(10);
    // Flow-control windows; received bytes wait in memory only up to these.
    std::uint64_t stream_window = 4 * 1024 * 1024;
    std::uint64_t connection_window = 8 * 1024 * 1024;
    std::uint64_t max_uni_streams = 8;
};

struct QuicPath {
    asio::ip::udp::endpoint local;
    asio::ip::udp::endpoint remote;
};

class QuicConnection {
  public:
    // Called whenever the set of connection ids that route packets to this connection changes.
    using CidObserver = std::function<void(const std::string& cid, bool active)>;

    struct Identity {
        gnutls_certificate_credentials_t credentials; // borrowed; outlives the connection
        EndpointId local_id;
    };

    // Starts a handshake towards `expected_peer`, offering `alpn`.
    static util::Result<std::unique_ptr<QuicConnection>>
    connect(const Identity& identity, const QuicSettings& settings, EndpointId expected_peer,
            std::string alpn, const QuicPath& path, Timestamp now, CidObserver observer);

    // Accepts the connection that `initial_packet` opens (the caller then hands the same packet
    // to receive). `alpns` lists the protocols this side serves, in preference order.
    static util::Result<std::unique_ptr<QuicConnection>>
    accept(const Identity& identity, const QuicSettings& settings, std::vector<std::string> alpns,
           std::span<const std::uint8_t> initial_packet, const QuicPath& path, Timestamp now,
           CidObserver observer);

    ~QuicConnection();
    QuicConnection(const QuicConnection&) = delete;
    QuicConnection& operator=(const QuicConnection&) = delete;

    // Processes one received datagram. An error means the connection is closed.
    util::Result<void> receive(std::span<const std::uint8_t> datagram, const QuicPath& path,
                               Timestamp now);
    // Hands every packet that may leave now to `send`.
    util::Result<void> flush(Timestamp now,
                             const std::function<void(std::span<const std::uint8_t>)>& send);
    // When handle_expiry must run next; max() when never.
    Timestamp expiry() const;
    util::Result<void> handle_expiry(Timestamp now);
    // Closes at once and returns the CONNECTION_CLOSE packet to send, if any.
    std::vector<std::uint8_t> close(std::uint64_t app_error, std::string_view reason,
                                    Timestamp now);

    bool is_established() const { return m_established; }
    bool is_closed() const { return m_closed; }
    // Why the connection closed (empty while open).
    const std::string& close_reason() const { return m_close_reason; }
    bool is_client() const { return m_client; }
    // The peer's key once its certificate was checked.
    std::optional<EndpointId> remote_id() const { return m_remote_id; }
    const std::string& alpn() const { return m_alpn; }
    const QuicPath& path() const { return m_path; }
    // Bumped by every change a waiter may care about.
    std::uint64_t progress() const { return m_progress; }

    // Streams. open_uni fails when the peer allows no more streams; write and finish queue
    // data for the next flush; unsent counts queued bytes not yet put into packets.
    util::Result<std::int64_t> open_uni();
    void write(std::int64_t stream, std::vector<std::uint8_t> bytes);
    void finish(std::int64_t stream);
    std::uint64_t unsent(std::int64_t stream) const;
    // True once the peer acknowledged everything including the end of the stream, or the
    // stream failed; check stream_failed to tell which.
    bool stream_done(std::int64_t stream) const;
    bool stream_failed(std::int64_t stream) const;
    std::size_t open_send_streams() const;

    // Unidirectional streams the peer opened, in the order it opened them.
    std::optional<std::int64_t> take_incoming_uni();
    // Copies up to out.size() received bytes and reopens that much flow-control credit.
    std::size_t read(std::int64_t stream, std::span<std::uint8_t> out);
    std::size_t readable(std::int64_t stream) const;
    // True when the peer finished or reset the stream and every byte was read.
    bool read_ended(std::int64_t stream) const;
    // True when the peer finished the stream normally and every byte was read.
    bool read_finished(std::int64_t stream) const;

    // Used by the TLS certificate check.
    util::Result<void> check_peer_certificate(gnutls_session_t session);

  private:
    struct SendStream {
        std::deque<std::vector<std::uint8_t>> chunks;
        std::uint64_t base = 0; // stream offset of chunks.front()[0]
        std::uint64_t sent = 0;
        std::uint64_t end = 0;
        bool fin_requested = false;
        bool fin_sent = false;
        bool done = false;
        bool failed = false;
    };
    struct RecvStream {
        std::deque<std::vector<std::uint8_t>> chunks;
        std::size_t front_read = 0;
        std::size_t buffered = 0;
        bool ended = false;
        bool fin = false;
    };

    QuicConnection(bool client, const QuicSettings& settings, const QuicPath& path,
                   CidObserver observer);
    util::Result<void> setup_tls(const Identity& identity, const std::vector<std::string>& alpns);
    util::Result<void> fail_with(int liberr, std::string_view what);
    void mark_closed(std::string reason);
    void refresh_close_reason();

    static int on_recv_stream_data(ngtcp2_conn*, std::uint32_t flags, std::int64_t stream,
                                   std::uint64_t offset, const std::uint8_t* data, std::size_t len,
                                   void* user, void*);
    static int on_acked(ngtcp2_conn*, std::int64_t stream, std::uint64_t offset, std::uint64_t len,
                        void* user, void*);
    static int on_stream_open(ngtcp2_conn*, std::int64_t stream, void* user);
    static int on_stream_close(ngtcp2_conn*, std::uint32_t flags, std::int64_t stream,
                               std::uint64_t app_error, void* user, void*);
    static int on_stream_reset(ngtcp2_conn*, std::int64_t stream, std::uint64_t final_size,
                               std::uint64_t app_error, void* user, void*);
    static int on_handshake_completed(ngtcp2_conn*, void* user);
    static int on_new_cid(ngtcp2_conn*, ngtcp2_cid* cid, std::uint8_t* token, std::size_t len,
                          void* user);
    static int on_remove_cid(ngtcp2_conn*, const ngtcp2_cid* cid, void* user);
    static int on_progress(ngtcp2_conn*, std::uint64_t, void* user);
    static int on_stream_progress(ngtcp2_conn*, std::int64_t, std::uint64_t, void* user, void*);
    static ngtcp2_conn* get_conn(ngtcp2_crypto_conn_ref* ref);
    static ngtcp2_callbacks callbacks(bool client);

    bool m_client;
    QuicSettings m_settings;
    QuicPath m_path;
    CidObserver m_observer;
    ngtcp2_conn* m_conn = nullptr;
    gnutls_session_t m_session = nullptr;
    ngtcp2_crypto_conn_ref m_conn_ref{};
    std::optional<EndpointId> m_expected_peer;
    std::optional<EndpointId> m_remote_id;
    std::string m_certificate_error;
    std::string m_alpn;
    std::vector<std::string> m_alpns;
    bool m_established = false;
    bool m_closed = false;
    std::string m_close_reason;
    std::uint64_t m_progress = 0;
    std::map<std::int64_t, SendStream> m_send;
    std::map<std::int64_t, RecvStream> m_recv;
    std::deque<std::int64_t> m_incoming_uni;
    std::vector<std::uint8_t> m_packet;
    std::vector<std::uint8_t> m_pending_close;
};

} // namespace p2p
