// Attachment pictures come from other peers: any bytes must decode to a picture within the
// limits or give an error, without crashing, hanging or allocating past the limits.
#include "platform/ui/image_decode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ruvo_ui::DecodeLimits limits;
    limits.max_pixels = 1u << 20; // keeps each run fast; the checks are the same at any limit
    limits.max_side = 4096;
    auto image = ruvo_ui::decode_image({data, size}, limits);
    if (image) {
        if (image->width == 0 || image->height == 0 || image->width > limits.max_side ||
            image->height > limits.max_side ||
            std::uint64_t(image->width) * image->height > limits.max_pixels)
            __builtin_trap();
        if (image->pixels.size() != std::size_t(image->width) * image->height)
            __builtin_trap();
        // Premultiplied: no colour channel above its alpha.
        for (auto px : image->pixels) {
            unsigned a = px >> 24;
            if (((px >> 16) & 0xff) > a || ((px >> 8) & 0xff) > a || (px & 0xff) > a)
                __builtin_trap();
        }
    } else if (image.error().message.empty()) {
        __builtin_trap();
    }
    return 0;
}
