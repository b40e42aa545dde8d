#pragma once
// Decoding of untrusted picture bytes (attachments from other peers) into an Image. PNG,
// JPEG, WebP and GIF go through the system's hardened libraries; BMP is parsed here. Every
// decoder reads the dimensions from the header and refuses a picture above the limits before
// it allocates pixels. Pure functions; safe on any thread (the image store calls them on its
// worker).

#include "platform/ui/image.h"
#include "platform/util/result.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace ruvo_ui {

enum class ImageFormat {
    Unknown,
    Png,
    Jpeg,
    WebP,
    Gif,
    Bmp,
};

struct DecodeLimits {
    std::uint64_t max_pixels = 40'000'000; // about 160 MB of pixels
    std::uint32_t max_side = 16'384;
};

// The format named by the leading magic bytes.
ImageFormat sniff_image_format(std::span<const std::uint8_t> bytes);
std::string_view format_name(ImageFormat format);

// The picture, or an error naming the format and the problem ("png: 50000x50000 exceeds the
// pixel limit", "jpeg: truncated", "unknown image format"). Animated GIFs give their first
// frame.
util::Result<Image> decode_image(std::span<const std::uint8_t> bytes,
                                 const DecodeLimits& limits = {});

} // namespace ruvo_ui
