#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace util {

using Sha256 = std::array<std::uint8_t, 32>;

Sha256 sha256(std::span<const std::uint8_t> bytes);

// The digest as 64 lower-case hexadecimal digits.
std::string sha256_hex(std::span<const std::uint8_t> bytes);

// Hashes data fed in pieces; `finish` may be called once.
class Sha256Builder {
public:
    Sha256Builder();
    ~Sha256Builder();
    Sha256Builder(const Sha256Builder&) = delete;
    Sha256Builder& operator=(const Sha256Builder&) = delete;

    void update(std::span<const std::uint8_t> bytes);
    Sha256 finish();

private:
    void* m_handle = nullptr;
};

} // namespace util
