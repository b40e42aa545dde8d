#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace util {

// Lower-case hexadecimal, two digits per byte in byte order.
std::string to_hex(std::span<const std::uint8_t> bytes);

// Parses an even number of hexadecimal digits of either case; nothing on any other character.
std::optional<std::vector<std::uint8_t>> from_hex(std::string_view text);

bool is_lower_hex(std::string_view text);

} // namespace util
