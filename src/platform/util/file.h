#pragma once
// Whole-file reads and crash-safe writes.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/util/result.h"

namespace util {

// Reads the whole file; refuses files larger than `max_bytes`.
Result<std::vector<std::uint8_t>> read_file(const std::filesystem::path& path,
                                            std::uint64_t max_bytes = UINT64_MAX);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`, so readers see either the old content or the new, never a mixture.
Result<void> write_file_atomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace util
