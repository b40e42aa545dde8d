#pragma once
// Human-readable formatting of quantities for labels. Pure functions, any thread.

#include <cstdint>
#include <string>

namespace ruvo_ui::format {

// A byte count in binary units with one decimal below 10 units and none above:
// 0 -> "0 B", 1023 -> "1023 B", 1024 -> "1.0 KB", 1536 -> "1.5 KB", 10 * 1024 -> "10 KB",
// 5 * 1024 * 1024 -> "5.0 MB", then GB and TB. Values are rounded to the shown precision,
// carrying into the next unit ("1023.99 KB" reads "1.0 MB", never "1024 KB").
std::string bytes(std::uint64_t count);

} // namespace ruvo_ui::format
