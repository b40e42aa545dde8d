#include "platform/ui/format.h"

#include <array>
#include <cmath>
#include <fmt/format.h>

namespace ruvo_ui::format {

std::string bytes(std::uint64_t count)
{
    if (count < 1024)
        return fmt::format("{} B", count);
    static constexpr std::array<const char*, 5> units = {"KB", "MB", "GB", "TB", "PB"};
    double value = double(count) / 1024;
    std::size_t unit = 0;
    while (true) {
        // Round at the precision that will be shown before deciding whether to move up a unit.
        double shown = value < 10 ? std::round(value * 10) / 10 : std::round(value);
        if (shown < 1024 || unit + 1 == units.size()) {
            return shown < 10 ? fmt::format("{:.1f} {}", shown, units[unit])
                              : fmt::format("{:.0f} {}", shown, units[unit]);
        }
        value /= 1024;
        ++unit;
    }
}

} // namespace ruvo_ui::format
