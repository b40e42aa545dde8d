#pragma once
// Randomness from the system's cryptographic generator.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace util {

// Fills `out` with random bytes. Aborts if the system generator fails, which cannot happen on
// a working system.
void random_bytes(std::span<std::uint8_t> out);

std::uint64_t random_u64();

// A random version-4 UUID as its 16 bytes.
std::array<std::uint8_t, 16> uuid_v4();

// A random version-4 UUID as 32 lower-case hexadecimal digits, without hyphens.
std::string uuid_v4_hex();

} // namespace util
