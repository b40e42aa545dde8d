#pragma once
// Small encoded pictures for tests, made with the system encoders at run time.

#include <cstdint>
#include <vector>

namespace ruvo_ui::test_images {

// A w x h picture whose pixel (x, y) is red = x * 40, green = y * 40, blue = 200, opaque, except
// pixel (0, 0), which is fully transparent where the format has alpha.
std::vector<std::uint8_t> png(int w, int h);
std::vector<std::uint8_t> jpeg(int w, int h);
std::vector<std::uint8_t> webp(int w, int h);
std::vector<std::uint8_t> bmp24(int w, int h);
// 1x1 GIFs: a white pixel, and a transparent one.
std::vector<std::uint8_t> gif_white();
std::vector<std::uint8_t> gif_transparent();

// Copies with the header's dimensions replaced, checksums fixed where the format has them.
std::vector<std::uint8_t> with_png_size(std::vector<std::uint8_t> png, std::uint32_t w,
                                        std::uint32_t h);
std::vector<std::uint8_t> with_jpeg_size(std::vector<std::uint8_t> jpeg, std::uint16_t w,
                                         std::uint16_t h);
std::vector<std::uint8_t> with_gif_size(std::vector<std::uint8_t> gif, std::uint16_t w,
                                        std::uint16_t h);
std::vector<std::uint8_t> bmp_header_only(std::int32_t w, std::int32_t h);

} // namespace ruvo_ui::test_images
