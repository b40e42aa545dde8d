#pragma once
// Reads an image's pixel size from the header of its encoded bytes, without decoding it.

#include <cstdint>
#include <span>

namespace blobstore {

struct ImageSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    bool operator==(const ImageSize&) const = default;
};

// The largest width or height sniff reports; anything larger reads as unknown.
inline constexpr std::uint32_t max_sniffed_dimension = 65'535;

// PNG, JPEG, GIF, WebP (lossy, lossless, extended) and BMP. Examines at most `window` leading
// bytes. Anything else, a truncated header, or a zero or absurd dimension gives 0 x 0.
ImageSize sniff_image(std::span<const std::uint8_t> bytes, std::uint64_t window = 16'384);

} // namespace blobstore
