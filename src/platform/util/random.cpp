#include "platform/util/random.h"

#include <gnutls/crypto.h>

#include "platform/util/fatal.h"
#include "platform/util/hex.h"

namespace util {

void random_bytes(std::span<std::uint8_t> out)
{
    if (out.empty())
        return;
    if (gnutls_rnd(GNUTLS_RND_RANDOM, out.data(), out.size()) != 0)
        fatal("random generator failed");
}

std::uint64_t random_u64()
{
    std::array<std::uint8_t, 8> bytes;
    random_bytes(bytes);
    std::uint64_t value = 0;
    for (auto b : bytes)
        value = (value << 8) | b;
    return value;
}

std::array<std::uint8_t, 16> uuid_v4()
{
    std::array<std::uint8_t, 16> bytes;
    random_bytes(bytes);
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80);
    return bytes;
}

std::string uuid_v4_hex()
{
    auto bytes = uuid_v4();
    return to_hex(bytes);
}

} // namespace util
