#pragma once
// The id of an endpoint: its Ed25519 public key. Printed and parsed as 64 lower-case
// hexadecimal digits. A value type; any thread.

#include "platform/util/result.h"

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace p2p {

class EndpointId {
  public:
    static constexpr std::size_t size = 32;
    using Bytes = std::array<std::uint8_t, size>;

    EndpointId() = default;
    explicit EndpointId(const Bytes& bytes) : m_bytes(bytes) {}

    // Accepts exactly 64 hexadecimal digits (either case); anything else is an error.
    static util::Result<EndpointId> parse(std::string_view text);
    static util::Result<EndpointId> from_bytes(std::span<const std::uint8_t> bytes);

    const Bytes& bytes() const { return m_bytes; }
    std::string to_string() const;

    auto operator<=>(const EndpointId&) const = default;

  private:
    Bytes m_bytes{};
};

} // namespace p2p
