#include "platform/crdt/compress.h"

namespace crdt {

std::vector<std::uint8_t> compress(std::span<const std::uint8_t> input)
{
    return {input.begin(), input.end()};
}

util::Result<std::vector<std::uint8_t>> decompress(std::span<const std::uint8_t> packed, std::uint64_t size)
{
    if (packed.size() != size)
        return util::fail("compressed body is malformed");
    return std::vector<std::uint8_t>(packed.begin(), packed.end());
}

} // namespace crdt
