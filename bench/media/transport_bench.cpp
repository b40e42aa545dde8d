// The peer transport on loopback beside plain UDP on the same loopback, measured in one run.
// Throughput: packets/s and bytes/s from one sender to one receiver. Latency: one-way delay of
// 100-byte packets sent at 50 per second, to one peer and to eight; the UDP reference is half
// the round trip of a 100-byte echo.

#include "media/peer_transport.h"

#include <algorithm>
#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>

namespace {

using namespace chat::media;
using Clock = std::chrono::steady_clock;

std::unique_ptr<PeerTransport> start_peer()
{
    PeerTransportOptions options;
    options.endpoint.bind = {asio::ip::make_address("127.0.0.1"), 0};
    auto peer = PeerTransport::start(std::move(options));
    if (!peer)
        std::abort();
    return std::move(*peer);
}

MediaPacket packet_with(std::size_t payload, std::uint64_t sequence)
{
    MediaPacket packet;
    packet.sender = "u_bench";
    packet.kind = MediaKind::Camera;
    packet.sequence = sequence;
    packet.payload.assign(std::max<std::size_t>(payload, 8), 0x5A);
    auto const now = static_cast<std::uint64_t>(Clock::now().time_since_epoch().count());
    std::memcpy(packet.payload.data(), &now, sizeof now);
    return packet;
}

std::uint64_t sent_at(const MediaPacket& packet)
{
    std::uint64_t value = 0;
    std::memcpy(&value, packet.payload.data(), sizeof value);
    return value;
}

// Connects and waits until a first packet comes through, so set-up is not measured.
void warm_up(PeerTransport& a, std::vector<std::unique_ptr<PeerTransport>>& receivers)
{
    for (auto& b : receivers)
        a.connect_peer(*b->local_ticket());
    std::vector<bool> seen(receivers.size());
    while (std::count(seen.begin(), seen.end(), true) < static_cast<long>(seen.size())) {
        a.send_packet(packet_with(8, 0));
        for (std::size_t i = 0; i < receivers.size(); ++i)
            if (!receivers[i]->drain_incoming().empty())
                seen[i] = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Let everything queued while connecting arrive and go, so it does not count as delay.
    auto quiet_since = Clock::now();
    while (Clock::now() - quiet_since < std::chrono::milliseconds(100)) {
        for (auto& b : receivers)
            if (!b->drain_incoming().empty())
                quiet_since = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void BM_QuicThroughput(benchmark::State& state)
{
    std::size_t const payload = static_cast<std::size_t>(state.range(0));
    std::size_t const count = payload >= (1 << 20) ? 40 : payload >= (64 << 10) ? 400 : 5000;
    auto a = start_peer();
    std::vector<std::unique_ptr<PeerTransport>> receivers;
    receivers.push_back(start_peer());
    warm_up(*a, receivers);
    std::size_t total = 0;
    std::size_t offered = 0;
    for (auto _ : state) {
        std::size_t sent = 0, received = 0;
        auto const template_packet = packet_with(payload, 1);
        auto const start = Clock::now();
        auto last_arrival = start;
        // The receiver drains in a loop like a fast consumer; its queue of 128 still drops
        // when the sender outruns it, so the run ends once the sender is done and the
        // stream has been quiet for a moment.
        while (received < count && Clock::now() - last_arrival < std::chrono::milliseconds(300)) {
            // The outgoing queue of 128 is the only back-pressure: a refused packet is offered
            // again.
            while (sent < count && a->send_packet(template_packet))
                ++sent;
            auto const got = receivers[0]->drain_incoming().size();
            if (got > 0) {
                received += got;
                last_arrival = Clock::now();
            }
        }
        total += received;
        offered += count;
        // The quiet tail that ends the run is not part of the transfer.
        state.SetIterationTime(std::chrono::duration<double>(last_arrival - start).count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(total));
    state.SetBytesProcessed(static_cast<std::int64_t>(total * payload));
    state.counters["delivered_pct"] =
        100.0 * static_cast<double>(total) / static_cast<double>(offered);
}
BENCHMARK(BM_QuicThroughput)
    ->Arg(1024)
    ->Arg(64 * 1024)
    ->Arg(2 * 1024 * 1024)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_UdpThroughput1KiB(benchmark::State& state)
{
    asio::io_context io;
    asio::ip::udp::socket rx(io, {asio::ip::make_address("127.0.0.1"), 0});
    asio::ip::udp::socket tx(io, {asio::ip::make_address("127.0.0.1"), 0});
    rx.set_option(asio::socket_base::receive_buffer_size(4 << 20));
    rx.non_blocking(true);
    auto const to = rx.local_endpoint();
    std::vector<std::uint8_t> buffer(1024, 1), in(2048);
    std::size_t const count = 5000;
    std::size_t total = 0;
    for (auto _ : state) {
        std::size_t received = 0;
        for (std::size_t i = 0; i < count; ++i) {
            tx.send_to(asio::buffer(buffer), to);
            asio::error_code ec;
            while (rx.receive(asio::buffer(in), 0, ec) > 0 && !ec)
                ++received;
        }
        asio::error_code ec;
        while (rx.receive(asio::buffer(in), 0, ec) > 0 && !ec)
            ++received;
        total += received;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(total));
    state.SetBytesProcessed(static_cast<std::int64_t>(total * 1024));
}
BENCHMARK(BM_UdpThroughput1KiB)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void report_latency(benchmark::State& state, std::vector<double>& us)
{
    std::sort(us.begin(), us.end());
    if (us.empty())
        return;
    state.counters["p50_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    state.counters["samples"] = static_cast<double>(us.size());
}

void BM_QuicLatency100B(benchmark::State& state)
{
    auto const peers = static_cast<std::size_t>(state.range(0));
    auto a = start_peer();
    std::vector<std::unique_ptr<PeerTransport>> receivers;
    for (std::size_t i = 0; i < peers; ++i)
        receivers.push_back(start_peer());
    warm_up(*a, receivers);
    std::vector<double> us;
    for (auto _ : state) {
        auto next = Clock::now();
        for (int i = 0; i < 100; ++i) {
            a->send_packet(packet_with(100, static_cast<std::uint64_t>(i) + 1));
            next += std::chrono::milliseconds(20);
            // Receivers poll far faster than a frame loop would, so the figure is the transport's.
            while (Clock::now() < next) {
                for (auto& b : receivers) {
                    for (auto& p : b->drain_incoming()) {
                        if (p.sequence == 0)
                            continue;
                        auto const now =
                            static_cast<std::uint64_t>(Clock::now().time_since_epoch().count());
                        us.push_back(static_cast<double>(now - sent_at(p)) / 1000.0);
                    }
                }
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
        }
    }
    report_latency(state, us);
}
BENCHMARK(BM_QuicLatency100B)
    ->Arg(1)
    ->Arg(8)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_UdpEchoLatency100B(benchmark::State& state)
{
    asio::io_context io;
    asio::ip::udp::socket echo(io, {asio::ip::make_address("127.0.0.1"), 0});
    asio::ip::udp::socket client(io, {asio::ip::make_address("127.0.0.1"), 0});
    std::atomic<bool> stop{false};
    std::thread echoer([&] {
        std::vector<std::uint8_t> in(2048);
        asio::ip::udp::endpoint from;
        echo.non_blocking(true);
        while (!stop) {
            asio::error_code ec;
            std::size_t n = echo.receive_from(asio::buffer(in), from, 0, ec);
            if (!ec)
                echo.send_to(asio::buffer(in.data(), n), from, 0, ec);
            else
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    std::vector<std::uint8_t> out(100, 1), in(2048);
    std::vector<double> us;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            auto const start = Clock::now();
            client.send_to(asio::buffer(out), echo.local_endpoint());
            client.receive(asio::buffer(in));
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
                         2);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    stop = true;
    echoer.join();
    report_latency(state, us);
}
BENCHMARK(BM_UdpEchoLatency100B)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps the figures of every run so the comparison with plain UDP can be printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, std::map<std::string, double>> figures;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs) {
            auto& f = figures[run.run_name.function_name + "/" + run.run_name.args];
            for (const auto& [name, counter] : run.counters)
                f[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double figure(const RecordingReporter& r, const std::string& run, const std::string& name)
{
    auto it = r.figures.find(run);
    if (it == r.figures.end())
        return 0;
    auto jt = it->second.find(name);
    return jt == it->second.end() ? 0 : jt->second;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double const udp_rate = figure(reporter, "BM_UdpThroughput1KiB/", "items_per_second");
    double const udp_bytes = figure(reporter, "BM_UdpThroughput1KiB/", "bytes_per_second");
    double const udp_p50 = figure(reporter, "BM_UdpEchoLatency100B/", "p50_us");
    double const udp_p99 = figure(reporter, "BM_UdpEchoLatency100B/", "p99_us");
    std::printf("\nAgainst plain UDP on the same loopback, same run:\n");
    for (const char* arg : {"1024", "65536", "2097152"}) {
        std::string const run = std::string("BM_QuicThroughput/") + arg;
        double const rate = figure(reporter, run, "items_per_second");
        double const bytes = figure(reporter, run, "bytes_per_second");
        if (rate > 0 && udp_rate > 0)
            std::printf("  throughput %7s B: %9.0f packets/s %7.1f MB/s  (UDP 1 KiB: %.0f "
                        "packets/s %.1f MB/s; MB/s ratio %.2f)\n",
                        arg, rate, bytes / 1e6, udp_rate, udp_bytes / 1e6, bytes / udp_bytes);
    }
    for (const char* arg : {"1", "8"}) {
        std::string const run = std::string("BM_QuicLatency100B/") + arg;
        double const p50 = figure(reporter, run, "p50_us");
        double const p99 = figure(reporter, run, "p99_us");
        if (p50 > 0 && udp_p50 > 0)
            std::printf("  one-way latency, %s peer(s): p50 %.0f us p99 %.0f us  (UDP half round "
                        "trip: p50 %.0f us p99 %.0f us; added p50 %.0f us)\n",
                        arg, p50, p99, udp_p50, udp_p99, p50 - udp_p50);
    }
    benchmark::Shutdown();
    return 0;
}
