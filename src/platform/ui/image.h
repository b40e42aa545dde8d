#pragma once
// A decoded picture in cairo's native pixel layout: 32-bit premultiplied ARGB in native byte
// order, rows packed (stride = width * 4). A plain value; it may cross threads by moving.

#include <cstdint>
#include <vector>

namespace ruvo_ui {

struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;

    bool empty() const { return width == 0 || height == 0; }
};

// Premultiplies a straight-alpha RGBA pixel into cairo's ARGB32 word.
inline std::uint32_t premultiplied_argb(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                        std::uint8_t a)
{
    auto mul = [a](std::uint8_t c) { return static_cast<std::uint32_t>((c * a + 127) / 255); };
    return (std::uint32_t(a) << 24) | (mul(r) << 16) | (mul(g) << 8) | mul(b);
}

} // namespace ruvo_ui
