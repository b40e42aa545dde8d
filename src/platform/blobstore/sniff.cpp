#include "platform/blobstore/sniff.h"

#include <algorithm>
#include <cstring>

namespace blobstore {

namespace {

using Span = std::span<const std::uint8_t>;

std::uint32_t be16(Span b, std::size_t at) { return std::uint32_t(b[at]) << 8 | b[at + 1]; }
std::uint32_t le16(Span b, std::size_t at) { return std::uint32_t(b[at + 1]) << 8 | b[at]; }
std::uint32_t be32(Span b, std::size_t at) { return be16(b, at) << 16 | be16(b, at + 2); }
std::uint32_t le32(Span b, std::size_t at) { return le16(b, at + 2) << 16 | le16(b, at); }
std::uint32_t le24(Span b, std::size_t at) { return std::uint32_t(b[at + 2]) << 16 | le16(b, at); }

bool starts_with(Span b, std::size_t at, const char* magic)
{
    std::size_t n = std::strlen(magic);
    return b.size() >= at + n && std::memcmp(b.data() + at, magic, n) == 0;
}

ImageSize checked(std::uint64_t width, std::uint64_t height)
{
    if (width == 0 || height == 0 || width > max_sniffed_dimension || height > max_sniffed_dimension)
        return {};
    return {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
}

ImageSize sniff_png(Span b)
{
    if (b.size() < 24 || !starts_with(b, 12, "IHDR"))
        return {};
    return checked(be32(b, 16), be32(b, 20));
}

bool is_jpeg_frame_marker(std::uint8_t m)
{
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

ImageSize sniff_jpeg(Span b)
{
    std::size_t at = 2;
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF)
            return {};
        std::uint8_t marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // end of image or start of scan: no frame header
            return {};
        std::uint32_t length = be16(b, at + 2);
        if (length < 2)
            return {};
        if (is_jpeg_frame_marker(marker)) {
            if (length < 7 || at + 9 > b.size())
                return {};
            return checked(be16(b, at + 7), be16(b, at + 5));
        }
        at += 2 + length;
    }
    return {};
}

ImageSize sniff_gif(Span b)
{
    if (b.size() < 10)
        return {};
    return checked(le16(b, 6), le16(b, 8));
}

ImageSize sniff_webp(Span b)
{
    if (starts_with(b, 12, "VP8 ")) {
        if (b.size() < 30 || b[23] != 0x9D || b[24] != 0x01 || b[25] != 0x2A)
            return {};
        return checked(le16(b, 26) & 0x3FFF, le16(b, 28) & 0x3FFF);
    }
    if (starts_with(b, 12, "VP8L")) {
        if (b.size() < 25 || b[20] != 0x2F)
            return {};
        std::uint32_t bits = le32(b, 21);
        return checked((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (starts_with(b, 12, "VP8X")) {
        if (b.size() < 30)
            return {};
        return checked(std::uint64_t(le24(b, 24)) + 1, std::uint64_t(le24(b, 27)) + 1);
    }
    return {};
}

ImageSize sniff_bmp(Span b)
{
    if (b.size() < 18)
        return {};
    std::uint32_t header = le32(b, 14);
    if (header == 12) {
        if (b.size() < 22)
            return {};
        return checked(le16(b, 18), le16(b, 20));
    }
    if (header < 40 || b.size() < 26)
        return {};
    auto width = static_cast<std::int32_t>(le32(b, 18));
    auto height = static_cast<std::int32_t>(le32(b, 22));
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return {};
    return checked(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height < 0 ? -height : height));
}

} // namespace

ImageSize sniff_image(Span bytes, std::uint64_t window)
{
    auto b = bytes.first(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), window)));
    if (starts_with(b, 0, "\x89PNG\r\n\x1a\n"))
        return sniff_png(b);
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return sniff_jpeg(b);
    if (starts_with(b, 0, "GIF87a") || starts_with(b, 0, "GIF89a"))
        return sniff_gif(b);
    if (starts_with(b, 0, "RIFF") && starts_with(b, 8, "WEBP"))
        return sniff_webp(b);
    if (starts_with(b, 0, "BM"))
        return sniff_bmp(b);
    return {};
}

} // namespace blobstore
