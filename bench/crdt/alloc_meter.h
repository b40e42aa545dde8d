#pragma once
// Heap bytes held through operator new in this process.

#include <cstddef>

namespace bench {

std::size_t live_bytes();
std::size_t peak_bytes();
// Starts a new peak from the current holding.
void reset_peak();

} // namespace bench
