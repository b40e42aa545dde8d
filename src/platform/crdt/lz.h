#pragma once
// A small, fast dictionary coder (LZ77 with byte-aligned tokens) for saved bodies too large to
// pass through the context model at load time.
//
// Stream: groups of  uleb literal count | literals | uleb match length (0 ends the stream)
// | uleb distance (when the length is not 0). Matches are at least 4 bytes long.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/util/result.h"

namespace crdt {

std::vector<std::uint8_t> lz_compress(std::span<const std::uint8_t> input);

// Decodes exactly `size` bytes; errors on malformed input.
util::Result<std::vector<std::uint8_t>> lz_decompress(std::span<const std::uint8_t> packed, std::uint64_t size);

} // namespace crdt
