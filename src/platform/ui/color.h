#pragma once
// Colours and the contrast arithmetic of WCAG 2: relative luminance, contrast ratio and the
// adjustment that makes a colour readable on a background. Pure functions, any thread.

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
        return {((hex >> 16) & 0xff) / 255.0, ((hex >> 8) & 0xff) / 255.0, (hex & 0xff) / 255.0,
                1.0};
    }

    constexpr Color with_alpha(double alpha) const { return {r, g, b, alpha}; }

    bool operator==(const Color&) const = default;
};

// Linear interpolation of every channel, alpha included; t is clamped to [0, 1].
Color mix(Color from, Color to, double t);

// `top` composited over the opaque colour `below`; the result is opaque.
Color composite(Color top, Color below);

// WCAG relative luminance of the colour's opaque part, 0 (black) .. 1 (white).
double relative_luminance(Color color);

// WCAG contrast ratio, 1 .. 21. A translucent foreground is first composited over `background`.
double contrast_ratio(Color foreground, Color background);

// `foreground` moved towards white (dark backgrounds, luminance below 0.5) or black (light ones)
// just far enough to reach `min_ratio` against `background`; returned unchanged when it already
// does. When even white or black cannot reach the ratio, that end colour is returned.
Color readable_on(Color foreground, Color background, double min_ratio = 4.5);

} // namespace ruvo_ui
