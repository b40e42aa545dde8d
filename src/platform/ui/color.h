#pragma once

#include <cstdint>

namespace ruvo_ui {

// Straight (not premultiplied) RGBA, each channel 0..1.
struct Color {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;

    // 0xRRGGBB, opaque.
    static constexpr Color rgb(std::uint32_t hex)
    {
        return {((hex >> 16) & 0xff) / 255.0, ((hex >> 8) & 0xff) / 255.0, (hex & 0xff) / 255.0, 1.0};
    }

    constexpr Color with_alpha(double alpha) const { return {r, g, b, alpha}; }

    bool operator==(const Color&) const = default;
};

} // namespace ruvo_ui
