// Two peer transports in two network namespaces joined by a veth pair: the tickets must carry
// the veth addresses, and media must flow over them. Needs root (or CAP_NET_ADMIN) and the ip
// tool; the test skips with a message when the machine does not allow it.

#include "media/peer_transport.h"
#include "platform/p2p/endpoint_addr.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fmt/format.h>
#include <future>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using chat::media::PeerTransport;

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class NetnsPair : public ::testing::Test {
  protected:
    std::string a = fmt::format("chatp2p_a_{}", getpid());
    std::string b = fmt::format("chatp2p_b_{}", getpid());
    std::string veth_a = fmt::format("cpa{}", getpid() % 100000);
    std::string veth_b = fmt::format("cpb{}", getpid() % 100000);
    bool ready = false;

    void SetUp() override
    {
        if (!run("ip netns add " + a)) {
            GTEST_SKIP() << "ip netns is not permitted here (needs root or CAP_NET_ADMIN); "
                            "the namespace test did not run";
        }
        ready = run("ip netns add " + b) &&
                run(fmt::format("ip link add {} type veth peer name {}", veth_a, veth_b)) &&
                run(fmt::format("ip link set {} netns {}", veth_a, a)) &&
                run(fmt::format("ip link set {} netns {}", veth_b, b)) &&
                run(fmt::format("ip -n {} addr add 10.231.7.1/24 dev {}", a, veth_a)) &&
                run(fmt::format("ip -n {} addr add 10.231.7.2/24 dev {}", b, veth_b)) &&
                run(fmt::format("ip -n {} link set {} up", a, veth_a)) &&
                run(fmt::format("ip -n {} link set {} up", b, veth_b)) &&
                run(fmt::format("ip -n {} link set lo up", a)) &&
                run(fmt::format("ip -n {} link set lo up", b));
        if (!ready)
            GTEST_SKIP() << "could not build the veth pair between two namespaces";
    }

    void TearDown() override
    {
        run("ip netns del " + a);
        run("ip netns del " + b);
        // A pair that never moved into the namespaces stays behind otherwise.
        run("ip link del " + veth_a);
    }

    // Starts a transport whose socket lives in namespace `name`: the socket and the address
    // list are made on a thread that joined the namespace.
    static std::unique_ptr<PeerTransport> start_in(const std::string& name)
    {
        auto task = std::async(std::launch::async, [name]() -> std::unique_ptr<PeerTransport> {
            int fd = open(("/var/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || setns(fd, CLONE_NEWNET) != 0) {
                if (fd >= 0)
                    close(fd);
                return nullptr;
            }
            close(fd);
            auto transport = PeerTransport::start();
            return transport ? std::move(*transport) : nullptr;
        });
        return task.get();
    }
};

TEST_F(NetnsPair, MediaCrossesTheVethPairInBothDirections)
{
    auto ta = start_in(a);
    auto tb = start_in(b);
    ASSERT_TRUE(ta && tb);

    auto ticket_b = p2p::parse_ticket(*tb->local_ticket());
    ASSERT_TRUE(ticket_b);
    bool has_veth = false;
    for (const auto& addr : ticket_b->addrs) {
        if (const auto* ip = std::get_if<p2p::IpAddr>(&addr))
            has_veth |= ip->endpoint.address() == asio::ip::make_address("10.231.7.2");
    }
    EXPECT_TRUE(has_veth) << *tb->local_ticket();

    ASSERT_TRUE(ta->connect_peer(*tb->local_ticket()));
    ASSERT_TRUE(tb->connect_peer(*ta->local_ticket()));
    std::size_t at_a = 0, at_b = 0;
    auto const deadline = std::chrono::steady_clock::now() + 10s;
    std::uint64_t sequence = 0;
    while ((at_a < 50 || at_b < 50) && std::chrono::steady_clock::now() < deadline) {
        chat::media::MediaPacket packet;
        packet.sender = "u_netns";
        packet.sequence = sequence++;
        packet.payload.assign(1000, 7);
        ta->send_packet(packet);
        tb->send_packet(packet);
        at_a += ta->drain_incoming().size();
        at_b += tb->drain_incoming().size();
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_GE(at_a, 50u);
    EXPECT_GE(at_b, 50u);
}

} // namespace
