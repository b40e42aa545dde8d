#include "platform/p2p/quic_connection.h"

#include "platform/p2p/secret_key.h"
#include "platform/util/random.h"

#include <algorithm>
#include <ctime>
#include <gnutls/crypto.h>
#include <limits>
#include <ngtcp2/ngtcp2_crypto_gnutls.h>

namespace p2p {

namespace {

constexpr std::size_t cid_length = 18;
constexpr std::size_t max_packets_per_flush = 64;
constexpr char const* tls_priority = "NORMAL:-VERS-ALL:+VERS-TLS1.3:%DISABLE_TLS13_COMPAT_MODE";

std::string cid_key(const std::uint8_t* data, std::size_t len)
{
    return std::string(reinterpret_cast<const char*>(data), len);
}

ngtcp2_cid random_cid()
{
    ngtcp2_cid cid{};
    cid.datalen = cid_length;
    util::random_bytes(std::span(cid.data, cid_length));
    return cid;
}

struct PathView {
    asio::ip::udp::endpoint local;
    asio::ip::udp::endpoint remote;
    ngtcp2_path path{};

    explicit PathView(const QuicPath& p) : local(p.local), remote(p.remote)
    {
        path.local.addr = reinterpret_cast<ngtcp2_sockaddr*>(local.data());
        path.local.addrlen = static_cast<ngtcp2_socklen>(local.size());
        path.remote.addr = reinterpret_cast<ngtcp2_sockaddr*>(remote.data());
        path.remote.addrlen = static_cast<ngtcp2_socklen>(remote.size());
    }
    PathView(const PathView&) = delete;
};

void random_cb(std::uint8_t* dest, std::size_t len, const ngtcp2_rand_ctx*)
{
    util::random_bytes(std::span(dest, len));
}

int verify_peer(gnutls_session_t session)
{
    auto* ref = static_cast<ngtcp2_crypto_conn_ref*>(gnutls_session_get_ptr(session));
    auto* self = static_cast<QuicConnection*>(ref->user_data);
    return self->check_peer_certificate(session) ? 0 : GNUTLS_E_CERTIFICATE_ERROR;
}

void fill_settings(const QuicSettings& in, Timestamp now, ngtcp2_settings& settings,
                   ngtcp2_transport_params& params)
{
    ngtcp2_settings_default(&settings);
    settings.initial_ts = now;
    settings.max_window = in.connection_window;
    settings.max_stream_window = in.stream_window;
    settings.handshake_timeout = static_cast<ngtcp2_duration>(in.handshake_timeout.count());
    settings.rand_ctx = {nullptr};
    ngtcp2_transport_params_default(&params);
    params.initial_max_streams_uni = in.max_uni_streams;
    params.initial_max_streams_bidi = 0;
    params.initial_max_stream_data_uni = in.stream_window;
    params.initial_max_data = in.connection_window;
    params.max_idle_timeout = static_cast<ngtcp2_duration>(in.idle_timeout.count());
}

} // namespace

Timestamp monotonic_now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Timestamp>(ts.tv_sec) * 1'000'000'000u + static_cast<Timestamp>(ts.tv_nsec);
}

QuicConnection::QuicConnection(bool client, const QuicSettings& settings, const QuicPath& path,
                               CidObserver observer)
    : m_client(client), m_settings(settings), m_path(path), m_observer(std::move(observer)),
      m_packet(65536)
{
    m_conn_ref.get_conn = &QuicConnection::get_conn;
    m_conn_ref.user_data = this;
}

QuicConnection::~QuicConnection()
{
    if (m_conn)
        ngtcp2_conn_del(m_conn);
    if (m_session)
        gnutls_deinit(m_session);
}

ngtcp2_conn* QuicConnection::get_conn(ngtcp2_crypto_conn_ref* ref)
{
    return static_cast<QuicConnection*>(ref->user_data)->m_conn;
}

ngtcp2_callbacks QuicConnection::callbacks(bool client)
{
    ngtcp2_callbacks cb{};
    if (client) {
        cb.client_initial = ngtcp2_crypto_client_initial_cb;
        cb.recv_retry = ngtcp2_crypto_recv_retry_cb;
    } else {
        cb.recv_client_initial = ngtcp2_crypto_recv_client_initial_cb;
    }
    cb.recv_crypto_data = ngtcp2_crypto_recv_crypto_data_cb;
    cb.encrypt = ngtcp2_crypto_encrypt_cb;
    cb.decrypt = ngtcp2_crypto_decrypt_cb;
    cb.hp_mask = ngtcp2_crypto_hp_mask_cb;
    cb.update_key = ngtcp2_crypto_update_key_cb;
    cb.delete_crypto_aead_ctx = ngtcp2_crypto_delete_crypto_aead_ctx_cb;
    cb.delete_crypto_cipher_ctx = ngtcp2_crypto_delete_crypto_cipher_ctx_cb;
    cb.get_path_challenge_data = ngtcp2_crypto_get_path_challenge_data_cb;
    cb.version_negotiation = ngtcp2_crypto_version_negotiation_cb;
    cb.rand = random_cb;
    cb.get_new_connection_id = &QuicConnection::on_new_cid;
    cb.remove_connection_id = &QuicConnection::on_remove_cid;
    cb.handshake_completed = &QuicConnection::on_handshake_completed;
    cb.recv_stream_data = &QuicConnection::on_recv_stream_data;
    cb.acked_stream_data_offset = &QuicConnection::on_acked;
    cb.stream_open = &QuicConnection::on_stream_open;
    cb.stream_close = &QuicConnection::on_stream_close;
    cb.stream_reset = &QuicConnection::on_stream_reset;
    cb.extend_max_local_streams_uni = &QuicConnection::on_progress;
    cb.extend_max_stream_data = &QuicConnection::on_stream_progress;
    return cb;
}

util::Result<void> QuicConnection::setup_tls(const Identity& identity,
                                             const std::vector<std::string>& alpns)
{
    unsigned const flags = (m_client ? GNUTLS_CLIENT : GNUTLS_SERVER) | GNUTLS_ENABLE_EARLY_DATA |
                           GNUTLS_NO_END_OF_EARLY_DATA;
    if (int rc = gnutls_init(&m_session, flags); rc < 0)
        return util::fail("TLS session: {}", gnutls_strerror(rc));
    if (int rc = gnutls_priority_set_direct(m_session, tls_priority, nullptr); rc < 0)
        return util::fail("TLS priority: {}", gnutls_strerror(rc));
    int rc = m_client ? ngtcp2_crypto_gnutls_configure_client_session(m_session)
                      : ngtcp2_crypto_gnutls_configure_server_session(m_session);
    if (rc != 0)
        return util::fail("QUIC TLS setup failed");
    gnutls_session_set_ptr(m_session, &m_conn_ref);
    gnutls_certificate_set_verify_function(identity.credentials, verify_peer);
    if (rc = gnutls_credentials_set(m_session, GNUTLS_CRD_CERTIFICATE, identity.credentials);
        rc < 0)
        return util::fail("TLS credentials: {}", gnutls_strerror(rc));
    if (!m_client)
        gnutls_certificate_server_set_request(m_session, GNUTLS_CERT_REQUIRE);
    std::vector<gnutls_datum_t> protocols;
    for (const auto& alpn : alpns)
        protocols.push_back({reinterpret_cast<unsigned char*>(const_cast<char*>(alpn.data())),
                             static_cast<unsigned>(alpn.size())});
    if (rc = gnutls_alpn_set_protocols(m_session, protocols.data(),
                                       static_cast<unsigned>(protocols.size()),
                                       GNUTLS_ALPN_MANDATORY);
        rc < 0)
        return util::fail("TLS ALPN: {}", gnutls_strerror(rc));
    ngtcp2_conn_set_tls_native_handle(m_conn, m_session);
    return {};
}

util::Result<std::unique_ptr<QuicConnection>>
QuicConnection::connect(const Identity& identity, const QuicSettings& settings,
                        EndpointId expected_peer, std::string alpn, const QuicPath& path,
                        Timestamp now, CidObserver observer)
{
    std::unique_ptr<QuicConnection> self(
        new QuicConnection(true, settings, path, std::move(observer)));
    self->m_expected_peer = expected_peer;
    self->m_alpns = {std::move(alpn)};
    ngtcp2_settings s;
    ngtcp2_transport_params params;
    fill_settings(settings, now, s, params);
    ngtcp2_cid const dcid = random_cid();
    ngtcp2_cid const scid = random_cid();
    PathView view(path);
    auto cb = callbacks(true);
    if (int rc = ngtcp2_conn_client_new(&self->m_conn, &dcid, &scid, &view.path,
                                        NGTCP2_PROTO_VER_V1, &cb, &s, &params, nullptr, self.get());
        rc != 0)
        return util::fail("QUIC client: {}", ngtcp2_strerror(rc));
    if (auto ok = self->setup_tls(identity, self->m_alpns); !ok)
        return std::unexpected(ok.error());
    if (self->m_observer)
        self->m_observer(cid_key(scid.data, scid.datalen), true);
    ngtcp2_conn_set_keep_alive_timeout(
        self->m_conn, static_cast<ngtcp2_duration>(settings.idle_timeout.count() / 3));
    return self;
}

util::Result<std::unique_ptr<QuicConnection>>
QuicConnection::accept(const Identity& identity, const QuicSettings& settings,
                       std::vector<std::string> alpns, std::span<const std::uint8_t> initial_packet,
                       const QuicPath& path, Timestamp now, CidObserver observer)
{
    ngtcp2_pkt_hd hd{};
    if (ngtcp2_accept(&hd, initial_packet.data(), initial_packet.size()) != 0)
        return util::fail("packet does not open a QUIC connection");
    std::unique_ptr<QuicConnection> self(
        new QuicConnection(false, settings, path, std::move(observer)));
    self->m_alpns = std::move(alpns);
    ngtcp2_settings s;
    ngtcp2_transport_params params;
    fill_settings(settings, now, s, params);
    params.original_dcid = hd.dcid;
    ngtcp2_cid const scid = random_cid();
    PathView view(path);
    auto cb = callbacks(false);
    if (int rc = ngtcp2_conn_server_new(&self->m_conn, &hd.scid, &scid, &view.path, hd.version, &cb,
                                        &s, &params, nullptr, self.get());
        rc != 0)
        return util::fail("QUIC server: {}", ngtcp2_strerror(rc));
    if (auto ok = self->setup_tls(identity, self->m_alpns); !ok)
        return std::unexpected(ok.error());
    if (self->m_observer) {
        // The client keeps addressing its first packets to the id it picked.
        self->m_observer(cid_key(hd.dcid.data, hd.dcid.datalen), true);
        self->m_observer(cid_key(scid.data, scid.datalen), true);
    }
    ngtcp2_conn_set_keep_alive_timeout(
        self->m_conn, static_cast<ngtcp2_duration>(settings.idle_timeout.count() / 3));
    return self;
}

util::Result<void> QuicConnection::check_peer_certificate(gnutls_session_t session)
{
    unsigned count = 0;
    const gnutls_datum_t* certs = gnutls_certificate_get_peers(session, &count);
    if (!certs || count == 0) {
        m_certificate_error = "peer presented no certificate";
        return util::fail("{}", m_certificate_error);
    }
    auto id = certificate_endpoint_id(certs[0]);
    if (!id) {
        m_certificate_error = id.error().message;
        return std::unexpected(id.error());
    }
    if (m_expected_peer && *id != *m_expected_peer) {
        m_certificate_error = fmt::format("peer key {} does not match the expected {}",
                                          id->to_string(), m_expected_peer->to_string());
        return util::fail("{}", m_certificate_error);
    }
    m_remote_id = *id;
    return {};
}

void QuicConnection::mark_closed(std::string reason)
{
    if (m_closed)
        return;
    m_closed = true;
    m_close_reason = std::move(reason);
    for (auto& [id, stream] : m_send) {
        if (!stream.done) {
            stream.done = true;
            stream.failed = true;
        }
    }
    for (auto& [id, stream] : m_recv)
        stream.ended = true;
    ++m_progress;
}

util::Result<void> QuicConnection::fail_with(int liberr, std::string_view what)
{
    std::string reason;
    if (liberr == NGTCP2_ERR_DRAINING || liberr == NGTCP2_ERR_CLOSING) {
        ngtcp2_connection_close_error ccerr;
        ngtcp2_conn_get_connection_close_error(m_conn, &ccerr);
        reason = fmt::format(
            "closed by peer (code {}{}{})", ccerr.error_code, ccerr.reasonlen ? ": " : "",
            std::string_view(reinterpret_cast<const char*>(ccerr.reason), ccerr.reasonlen));
    } else if (!m_certificate_error.empty()) {
        reason = m_certificate_error;
    } else if (liberr == NGTCP2_ERR_IDLE_CLOSE) {
        reason = "idle timeout";
    } else if (liberr == NGTCP2_ERR_HANDSHAKE_TIMEOUT) {
        reason = "handshake timed out";
    } else if (liberr == NGTCP2_ERR_CRYPTO) {
        reason = fmt::format("TLS handshake failed (alert {})", ngtcp2_conn_get_tls_alert(m_conn));
    } else {
        reason = fmt::format("{}: {}", what, ngtcp2_strerror(liberr));
    }
    // Tell the peer, unless it already closed or we only timed out.
    if (liberr != NGTCP2_ERR_DRAINING && liberr != NGTCP2_ERR_CLOSING &&
        liberr != NGTCP2_ERR_IDLE_CLOSE && liberr != NGTCP2_ERR_HANDSHAKE_TIMEOUT) {
        ngtcp2_connection_close_error ccerr;
        ngtcp2_connection_close_error_default(&ccerr);
        if (liberr == NGTCP2_ERR_CRYPTO)
            ngtcp2_connection_close_error_set_transport_error_tls_alert(
                &ccerr, ngtcp2_conn_get_tls_alert(m_conn), nullptr, 0);
        else
            ngtcp2_connection_close_error_set_transport_error_liberr(&ccerr, liberr, nullptr, 0);
        ngtcp2_path_storage ps;
        ngtcp2_path_storage_zero(&ps);
        ngtcp2_pkt_info pi{};
        auto n = ngtcp2_conn_write_connection_close(m_conn, &ps.path, &pi, m_packet.data(),
                                                    m_packet.size(), &ccerr, monotonic_now());
        if (n > 0)
            m_pending_close.assign(m_packet.begin(), m_packet.begin() + n);
    }
    mark_closed(reason);
    return util::fail("{}", reason);
}

util::Result<void> QuicConnection::receive(std::span<const std::uint8_t> datagram,
                                           const QuicPath& path, Timestamp now)
{
    if (m_closed)
        return util::fail("{}", m_close_reason);
    PathView view(path);
    ngtcp2_pkt_info pi{};
    int rc = ngtcp2_conn_read_pkt(m_conn, &view.path, &pi, datagram.data(), datagram.size(), now);
    if (rc != 0)
        return fail_with(rc, "read packet");
    return {};
}

util::Result<void>
QuicConnection::flush(Timestamp now, const std::function<void(std::span<const std::uint8_t>)>& send)
{
    if (!m_pending_close.empty()) {
        send(m_pending_close);
        m_pending_close.clear();
    }
    if (m_closed)
        return util::fail("{}", m_close_reason);

    std::size_t const payload =
        std::max<std::size_t>(ngtcp2_conn_get_max_tx_udp_payload_size(m_conn), 1200);
    std::size_t const quantum = ngtcp2_conn_get_send_quantum(m_conn);
    std::size_t const budget = std::clamp<std::size_t>(quantum / payload, 1, max_packets_per_flush);
    std::vector<std::int64_t> blocked;
    ngtcp2_path_storage ps;
    ngtcp2_path_storage_zero(&ps);
    std::size_t packets = 0;
    while (packets < budget) {
        std::int64_t stream_id = -1;
        SendStream* stream = nullptr;
        for (auto& [id, s] : m_send) {
            bool const pending = s.sent < s.end || (s.fin_requested && !s.fin_sent);
            if (pending && !s.done &&
                std::find(blocked.begin(), blocked.end(), id) == blocked.end()) {
                stream_id = id;
                stream = &s;
                break;
            }
        }
        ngtcp2_vec vec[16];
        std::size_t nvec = 0;
        std::uint32_t flags = 0;
        if (stream) {
            std::uint64_t offset = stream->base;
            std::uint64_t covered = stream->sent;
            for (auto& chunk : stream->chunks) {
                std::uint64_t const chunk_end = offset + chunk.size();
                if (chunk_end > covered && nvec < std::size(vec)) {
                    std::size_t const skip = static_cast<std::size_t>(covered - offset);
                    vec[nvec].base = chunk.data() + skip;
                    vec[nvec].len = chunk.size() - skip;
                    ++nvec;
                    covered = chunk_end;
                }
                offset = chunk_end;
            }
            if (stream->fin_requested && covered == stream->end)
                flags |= NGTCP2_WRITE_STREAM_FLAG_FIN;
        }
        ngtcp2_ssize written_data = -1;
        ngtcp2_pkt_info pi{};
        ngtcp2_ssize n = ngtcp2_conn_writev_stream(m_conn, &ps.path, &pi, m_packet.data(), payload,
                                                   &written_data, flags, stream_id, vec, nvec, now);
        if (n < 0) {
            if (stream && (n == NGTCP2_ERR_STREAM_DATA_BLOCKED || n == NGTCP2_ERR_STREAM_SHUT_WR ||
                           n == NGTCP2_ERR_STREAM_NOT_FOUND)) {
                if (n != NGTCP2_ERR_STREAM_DATA_BLOCKED) {
                    stream->done = true;
                    stream->failed = true;
                    ++m_progress;
                }
                blocked.push_back(stream_id);
                continue;
            }
            auto failed = fail_with(static_cast<int>(n), "write packet");
            if (!m_pending_close.empty()) {
                send(m_pending_close);
                m_pending_close.clear();
            }
            return failed;
        }
        if (stream && written_data >= 0) {
            stream->sent += static_cast<std::uint64_t>(written_data);
            if ((flags & NGTCP2_WRITE_STREAM_FLAG_FIN) && stream->sent == stream->end)
                stream->fin_sent = true;
            ++m_progress;
        }
        if (n == 0)
            break;
        send(std::span<const std::uint8_t>(m_packet.data(), static_cast<std::size_t>(n)));
        ++packets;
    }
    ngtcp2_conn_update_pkt_tx_time(m_conn, now);
    return {};
}

Timestamp QuicConnection::expiry() const
{
    if (m_closed)
        return std::numeric_limits<Timestamp>::max();
    return ngtcp2_conn_get_expiry(m_conn);
}

util::Result<void> QuicConnection::handle_expiry(Timestamp now)
{
    if (m_closed)
        return util::fail("{}", m_close_reason);
    if (int rc = ngtcp2_conn_handle_expiry(m_conn, now); rc != 0)
        return fail_with(rc, "timer");
    return {};
}

std::vector<std::uint8_t> QuicConnection::close(std::uint64_t app_error, std::string_view reason,
                                                Timestamp now)
{
    std::vector<std::uint8_t> out;
    if (m_closed)
        return out;
    if (m_established || m_client) {
        ngtcp2_connection_close_error ccerr;
        ngtcp2_connection_close_error_default(&ccerr);
        ngtcp2_connection_close_error_set_application_error(
            &ccerr, app_error, reinterpret_cast<const std::uint8_t*>(reason.data()), reason.size());
        ngtcp2_path_storage ps;
        ngtcp2_path_storage_zero(&ps);
        ngtcp2_pkt_info pi{};
        auto n = ngtcp2_conn_write_connection_close(m_conn, &ps.path, &pi, m_packet.data(),
                                                    m_packet.size(), &ccerr, now);
        if (n > 0)
            out.assign(m_packet.begin(), m_packet.begin() + n);
    }
    mark_closed(fmt::format("closed locally ({})", reason));
    return out;
}

util::Result<std::int64_t> QuicConnection::open_uni()
{
    if (m_closed)
        return util::fail("{}", m_close_reason);
    if (!m_established)
        return util::fail("connection is not established");
    std::int64_t id = -1;
    if (int rc = ngtcp2_conn_open_uni_stream(m_conn, &id, nullptr); rc != 0)
        return util::fail("open stream: {}", ngtcp2_strerror(rc));
    m_send.emplace(id, SendStream{});
    return id;
}

void QuicConnection::write(std::int64_t stream, std::vector<std::uint8_t> bytes)
{
    auto it = m_send.find(stream);
    if (it == m_send.end() || it->second.fin_requested || bytes.empty())
        return;
    it->second.end += bytes.size();
    it->second.chunks.push_back(std::move(bytes));
}

void QuicConnection::finish(std::int64_t stream)
{
    if (auto it = m_send.find(stream); it != m_send.end())
        it->second.fin_requested = true;
}

std::uint64_t QuicConnection::unsent(std::int64_t stream) const
{
    auto it = m_send.find(stream);
    return it == m_send.end() ? 0 : it->second.end - it->second.sent;
}

bool QuicConnection::stream_done(std::int64_t stream) const
{
    auto it = m_send.find(stream);
    return it == m_send.end() || it->second.done;
}

bool QuicConnection::stream_failed(std::int64_t stream) const
{
    auto it = m_send.find(stream);
    return it == m_send.end() || it->second.failed;
}

std::size_t QuicConnection::open_send_streams() const
{
    return static_cast<std::size_t>(
        std::count_if(m_send.begin(), m_send.end(), [](const auto& e) { return !e.second.done; }));
}

std::optional<std::int64_t> QuicConnection::take_incoming_uni()
{
    if (m_incoming_uni.empty())
        return std::nullopt;
    auto id = m_incoming_uni.front();
    m_incoming_uni.pop_front();
    return id;
}

std::size_t QuicConnection::read(std::int64_t stream, std::span<std::uint8_t> out)
{
    auto it = m_recv.find(stream);
    if (it == m_recv.end())
        return 0;
    auto& s = it->second;
    std::size_t copied = 0;
    while (copied < out.size() && !s.chunks.empty()) {
        auto& front = s.chunks.front();
        std::size_t const n = std::min(out.size() - copied, front.size() - s.front_read);
        std::copy_n(front.data() + s.front_read, n, out.data() + copied);
        copied += n;
        s.front_read += n;
        if (s.front_read == front.size()) {
            s.chunks.pop_front();
            s.front_read = 0;
        }
    }
    s.buffered -= copied;
    if (copied > 0 && !m_closed) {
        ngtcp2_conn_extend_max_stream_offset(m_conn, stream, copied);
        ngtcp2_conn_extend_max_offset(m_conn, copied);
    }
    return copied;
}

std::size_t QuicConnection::readable(std::int64_t stream) const
{
    auto it = m_recv.find(stream);
    return it == m_recv.end() ? 0 : it->second.buffered;
}

bool QuicConnection::read_ended(std::int64_t stream) const
{
    auto it = m_recv.find(stream);
    return it == m_recv.end() || (it->second.ended && it->second.buffered == 0);
}

bool QuicConnection::read_finished(std::int64_t stream) const
{
    auto it = m_recv.find(stream);
    return it != m_recv.end() && it->second.fin && it->second.buffered == 0;
}

int QuicConnection::on_recv_stream_data(ngtcp2_conn*, std::uint32_t flags, std::int64_t stream,
                                        std::uint64_t, const std::uint8_t* data, std::size_t len,
                                        void* user, void*)
{
    auto* self = static_cast<QuicConnection*>(user);
    auto& s = self->m_recv[stream];
    if (len > 0) {
        s.chunks.emplace_back(data, data + len);
        s.buffered += len;
    }
    if (flags & NGTCP2_STREAM_DATA_FLAG_FIN)
        s.ended = s.fin = true;
    ++self->m_progress;
    return 0;
}

int QuicConnection::on_acked(ngtcp2_conn*, std::int64_t stream, std::uint64_t offset,
                             std::uint64_t len, void* user, void*)
{
    auto* self = static_cast<QuicConnection*>(user);
    auto it = self->m_send.find(stream);
    if (it == self->m_send.end())
        return 0;
    auto& s = it->second;
    std::uint64_t const acked = offset + len;
    while (!s.chunks.empty() && s.base + s.chunks.front().size() <= acked) {
        s.base += s.chunks.front().size();
        s.chunks.pop_front();
    }
    ++self->m_progress;
    return 0;
}

int QuicConnection::on_stream_open(ngtcp2_conn*, std::int64_t stream, void* user)
{
    auto* self = static_cast<QuicConnection*>(user);
    self->m_recv.try_emplace(stream);
    self->m_incoming_uni.push_back(stream);
    ++self->m_progress;
    return 0;
}

int QuicConnection::on_stream_close(ngtcp2_conn*, std::uint32_t flags, std::int64_t stream,
                                    std::uint64_t app_error, void* user, void*)
{
    auto* self = static_cast<QuicConnection*>(user);
    if (auto it = self->m_send.find(stream); it != self->m_send.end()) {
        auto& s = it->second;
        s.done = true;
        bool const reset = (flags & NGTCP2_STREAM_CLOSE_FLAG_APP_ERROR_CODE_SET) && app_error != 0;
        s.failed = reset || !s.fin_sent || !s.chunks.empty();
        s.chunks.clear();
    }
    if (auto it = self->m_recv.find(stream); it != self->m_recv.end())
        it->second.ended = true;
    ++self->m_progress;
    return 0;
}

int QuicConnection::on_stream_reset(ngtcp2_conn*, std::int64_t stream, std::uint64_t, std::uint64_t,
                                    void* user, void*)
{
    auto* self = static_cast<QuicConnection*>(user);
    if (auto it = self->m_recv.find(stream); it != self->m_recv.end())
        it->second.ended = true;
    ++self->m_progress;
    return 0;
}

int QuicConnection::on_handshake_completed(ngtcp2_conn*, void* user)
{
    auto* self = static_cast<QuicConnection*>(user);
    if (!self->m_remote_id)
        return NGTCP2_ERR_CALLBACK_FAILURE;
    gnutls_datum_t selected{};
    if (gnutls_alpn_get_selected_protocol(self->m_session, &selected) == 0)
        self->m_alpn.assign(reinterpret_cast<const char*>(selected.data), selected.size);
    if (self->m_alpn.empty())
        return NGTCP2_ERR_CALLBACK_FAILURE;
    self->m_established = true;
    ++self->m_progress;
    return 0;
}

int QuicConnection::on_new_cid(ngtcp2_conn*, ngtcp2_cid* cid, std::uint8_t* token, std::size_t len,
                               void* user)
{
    auto* self = static_cast<QuicConnection*>(user);
    cid->datalen = len;
    util::random_bytes(std::span(cid->data, len));
    util::random_bytes(std::span(token, NGTCP2_STATELESS_RESET_TOKENLEN));
    if (self->m_observer)
        self->m_observer(cid_key(cid->data, cid->datalen), true);
    return 0;
}

int QuicConnection::on_remove_cid(ngtcp2_conn*, const ngtcp2_cid* cid, void* user)
{
    auto* self = static_cast<QuicConnection*>(user);
    if (self->m_observer)
        self->m_observer(cid_key(cid->data, cid->datalen), false);
    return 0;
}

int QuicConnection::on_progress(ngtcp2_conn*, std::uint64_t, void* user)
{
    ++static_cast<QuicConnection*>(user)->m_progress;
    return 0;
}

int QuicConnection::on_stream_progress(ngtcp2_conn*, std::int64_t, std::uint64_t, void* user, void*)
{
    ++static_cast<QuicConnection*>(user)->m_progress;
    return 0;
}

} // namespace p2p
