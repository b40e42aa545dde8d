#pragma once
// Lossless compression of the saved document's body: a small context-mixing model driving a
// binary arithmetic coder. Slower than a dictionary coder but much smaller on text, and the
// body is decoded once per load.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/util/result.h"

namespace crdt {

std::vector<std::uint8_t> compress(std::span<const std::uint8_t> input);

// Decodes exactly `size` bytes; errors when the input is malformed or too short.
util::Result<std::vector<std::uint8_t>> decompress(std::span<const std::uint8_t> packed, std::uint64_t size);

} // namespace crdt
