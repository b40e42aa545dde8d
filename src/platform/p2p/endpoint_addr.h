#pragma once
// Where an endpoint can be reached: its id and a list of transport addresses, and the JSON
// ticket that carries them. Value types and pure functions; any thread.
//
// Ticket form: {"id":"<endpoint id>","addrs":[{"Ip":"192.0.2.1:4433"},{"Relay":"<url>"},
// {"Custom":<any JSON>}]}. Relay and custom addresses are carried and printed unchanged; the
// endpoint dials only Ip addresses.

#include "platform/p2p/endpoint_id.h"
#include "platform/util/result.h"

#include <asio/ip/udp.hpp>
#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace p2p {

struct RelayAddr {
    std::string url;
    bool operator==(const RelayAddr&) const = default;
};

struct IpAddr {
    asio::ip::udp::endpoint endpoint;
    bool operator==(const IpAddr&) const = default;
};

// A transport this endpoint does not implement, kept as its compact JSON text.
struct CustomAddr {
    std::string json;
    bool operator==(const CustomAddr&) const = default;
};

using TransportAddr = std::variant<RelayAddr, IpAddr, CustomAddr>;

struct EndpointAddr {
    EndpointId id;
    std::vector<TransportAddr> addrs;
    bool operator==(const EndpointAddr&) const = default;
};

// Longest ticket text the parser looks at; tickets are a few hundred bytes.
inline constexpr std::size_t max_ticket_bytes = 64 * 1024;

// "192.0.2.1:4433" or "[2001:db8::1]:4433".
std::string format_socket_addr(const asio::ip::udp::endpoint& endpoint);
util::Result<asio::ip::udp::endpoint> parse_socket_addr(std::string_view text);

// Compact JSON, members in the order id, addrs.
std::string encode_ticket(const EndpointAddr& addr);

// Parses a ticket. Errors for anything but one object with exactly the members "id" and
// "addrs", for addresses that are not objects of one known member, and for any text after the
// object other than JSON whitespace.
util::Result<EndpointAddr> parse_ticket(std::string_view text);

} // namespace p2p
