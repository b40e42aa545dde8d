#include "media/media_protocol.h"

#include "media/wire_format.h"

#include <algorithm>
#include <array>
#include <asio/experimental/as_tuple.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>
#include <memory>
#include <spdlog/spdlog.h>

namespace chat::media {

static constexpr std::size_t read_chunk_bytes = 64 * 1024;

asio::awaitable<util::Result<void>> MediaProtocol::handle(p2p::Connection connection)
{
    auto stream = co_await connection.accept_uni();
    if (!stream)
        co_return std::unexpected(stream.error());
    std::array<std::uint8_t, frame_length_bytes> header{};
    std::vector<std::uint8_t> body;
    for (;;) {
        // The peer finishing its stream between two frames is the normal end of a call.
        auto more = co_await connection.wait_readable(*stream);
        if (!more)
            co_return std::unexpected(more.error());
        if (!*more)
            co_return util::Result<void>{};
        if (auto read = co_await connection.read_exact(*stream, header); !read)
            co_return std::unexpected(read.error());
        std::uint32_t const length = decode_frame_length(header);
        switch (classify_frame_length(length)) {
        case FrameAction::Skip:
            continue;
        case FrameAction::TooLarge:
            co_return util::fail("media frame too large: {}", length);
        case FrameAction::Read:
            break;
        }
        // Grow the buffer as bytes arrive, so a peer that announces a large frame and stalls
        // holds no more memory than it actually sent.
        body.clear();
        while (body.size() < length) {
            std::size_t const have = body.size();
            body.resize(have + std::min<std::size_t>(length - have, read_chunk_bytes));
            if (auto read = co_await connection.read_exact(*stream, std::span(body).subspan(have));
                !read)
                co_return std::unexpected(read.error());
        }
        auto packet = decode_packet(body);
        if (!packet)
            continue;
        if (m_incoming.try_send(std::move(*packet)) == p2p::SendResult::Closed)
            co_return util::Result<void>{};
    }
}

asio::awaitable<void> run_dialer(p2p::EndpointRef endpoint, p2p::EndpointAddr peer,
                                 p2p::Receiver<std::vector<std::uint8_t>> queue)
{
    auto connection = co_await endpoint.connect(peer, std::string(media_alpn));
    if (!connection) {
        spdlog::info("media: {}", connection.error().message);
        co_return;
    }
    auto stream = co_await connection->open_uni();
    if (!stream) {
        connection->close("no stream");
        co_return;
    }
    // The UI thread's pushes wake this task through a timer on the strand: cancelling it ends
    // the current wait, and a push that lands between the check and the wait still cancels the
    // wait because both run on the strand in order.
    auto wake = std::make_shared<asio::steady_timer>(endpoint.executor(),
                                                     asio::steady_timer::time_point::max());
    queue.set_waker([executor = endpoint.executor(), weak = std::weak_ptr(wake)] {
        asio::post(executor, [weak] {
            if (auto timer = weak.lock())
                timer->cancel();
        });
    });
    for (;;) {
        if (auto packet = queue.try_recv()) {
            auto const length = encode_frame_length(static_cast<std::uint32_t>(packet->size()));
            // Buffered writes keep the order of the bytes; they wait only when a good amount
            // is still unsent, so a burst of small packets leaves without a pause per packet.
            auto wrote = co_await connection->write(
                *stream, std::vector<std::uint8_t>(length.begin(), length.end()));
            if (wrote)
                wrote = co_await connection->write(*stream, std::move(*packet));
            if (!wrote) {
                spdlog::info("media: write to {} failed: {}", peer.id.to_string(),
                             wrote.error().message);
                connection->close("write failed");
                co_return;
            }
            continue;
        }
        if (queue.is_finished()) {
            (void)co_await connection->finish(*stream);
            connection->close("done");
            co_return;
        }
        co_await wake->async_wait(asio::experimental::as_tuple(asio::use_awaitable));
    }
}

} // namespace chat::media
