#include "platform/ui/image_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fmt/format.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/decode.h>

namespace ruvo_ui {

namespace {

util::Result<void> check_size(std::string_view format, std::uint64_t width, std::uint64_t height,
                              const DecodeLimits& limits)
{
    if (width == 0 || height == 0)
        return util::fail("{}: empty picture ({}x{})", format, width, height);
    if (width > limits.max_side || height > limits.max_side || width * height > limits.max_pixels)
        return util::fail("{}: {}x{} exceeds the pixel limit", format, width, height);
    return {};
}

// Converts straight-alpha RGBA bytes in place into premultiplied cairo words.
void premultiply_rgba(std::vector<std::uint32_t>& pixels)
{
    for (auto& word : pixels) {
        std::uint8_t bytes[4];
        std::memcpy(bytes, &word, 4);
        word = premultiplied_argb(bytes[0], bytes[1], bytes[2], bytes[3]);
    }
}

// ---- PNG (libpng's simplified reader, which reports errors without longjmp into our frames)

util::Result<Image> decode_png(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return util::fail("png: {}", png.message);
    if (auto ok = check_size("png", png.width, png.height, limits); !ok) {
        png_image_free(&png);
        return std::unexpected(ok.error());
    }
    png.format = PNG_FORMAT_RGBA;
    Image image;
    image.width = png.width;
    image.height = png.height;
    image.pixels.resize(std::size_t(png.width) * png.height);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), png_int_32(png.width * 4),
                               nullptr)) {
        std::string message = png.message;
        png_image_free(&png);
        return util::fail("png: {}", message);
    }
    png_image_free(&png);
    premultiply_rgba(image.pixels);
    return image;
}

// ---- JPEG. libjpeg reports errors by longjmp; the functions that set the jump point hold
// only plain C data, so nothing with a destructor is skipped.

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct JpegProgress {
    jpeg_progress_mgr mgr;
};

// Progressive files can carry thousands of tiny scans that each cost a full pass; real
// pictures have about ten.
constexpr int max_jpeg_scans = 256;

void jpeg_fail(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void jpeg_silence(j_common_ptr, int) {}

void jpeg_watch_scans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > max_jpeg_scans) {
            auto* err = reinterpret_cast<JpegError*>(cinfo->err);
            std::snprintf(err->message, sizeof err->message, "too many scans");
            std::longjmp(err->jump, 1);
        }
    }
}

bool jpeg_read_header_guarded(jpeg_decompress_struct* cinfo, JpegError* err,
                              const std::uint8_t* data, std::size_t size)
{
    if (setjmp(err->jump))
        return false;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    return true;
}

bool jpeg_decode_guarded(jpeg_decompress_struct* cinfo, JpegError* err, std::uint32_t* out)
{
    if (setjmp(err->jump))
        return false;
    cinfo->out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(out + std::size_t(cinfo->output_scanline) *
                                                            cinfo->output_width);
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

util::Result<Image> decode_jpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    JpegProgress progress;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&err, 0, sizeof err);
    std::memset(&progress, 0, sizeof progress);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fail;
    err.mgr.emit_message = jpeg_silence;
    jpeg_create_decompress(&cinfo);
    progress.mgr.progress_monitor = jpeg_watch_scans;
    cinfo.progress = &progress.mgr;
    struct Destroy {
        jpeg_decompress_struct* c;
        ~Destroy() { jpeg_destroy_decompress(c); }
    } destroy{&cinfo};

    if (!jpeg_read_header_guarded(&cinfo, &err, bytes.data(), bytes.size()))
        return util::fail("jpeg: {}", err.message);
    if (auto ok = check_size("jpeg", cinfo.image_width, cinfo.image_height, limits); !ok)
        return std::unexpected(ok.error());
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
        return util::fail("jpeg: CMYK pictures are not supported");
    Image image;
    image.width = cinfo.image_width;
    image.height = cinfo.image_height;
    image.pixels.resize(std::size_t(image.width) * image.height);
    if (!jpeg_decode_guarded(&cinfo, &err, image.pixels.data()))
        return util::fail("jpeg: {}", err.message);
    if (cinfo.output_width != image.width || cinfo.output_height != image.height)
        return util::fail("jpeg: output size changed while decoding");
    return image;
}

// ---- WebP

util::Result<Image> decode_webp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
        return util::fail("webp: not a readable WebP header");
    if (features.has_animation)
        return util::fail("webp: animated pictures are not supported");
    if (auto ok = check_size("webp", std::uint64_t(features.width), std::uint64_t(features.height),
                             limits);
        !ok)
        return std::unexpected(ok.error());
    Image image;
    image.width = std::uint32_t(features.width);
    image.height = std::uint32_t(features.height);
    image.pixels.resize(std::size_t(image.width) * image.height);
    auto* out = reinterpret_cast<std::uint8_t*>(image.pixels.data());
    if (!WebPDecodeRGBAInto(bytes.data(), bytes.size(), out, image.pixels.size() * 4,
                            int(image.width * 4)))
        return util::fail("webp: corrupt or truncated data");
    premultiply_rgba(image.pixels);
    return image;
}

// ---- GIF: the first frame only, read record by record so no frame is allocated before its
// size is checked.

std::string gif_error(int code)
{
    const char* text = GifErrorString(code);
    return text ? text : fmt::format("error {}", code);
}

struct GifSource {
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
};

int gif_read(GifFileType* gif, GifByteType* buffer, int length)
{
    auto* src = static_cast<GifSource*>(gif->UserData);
    std::size_t n =
        std::min<std::size_t>(std::size_t(std::max(length, 0)), src->bytes.size() - src->offset);
    std::memcpy(buffer, src->bytes.data() + src->offset, n);
    src->offset += n;
    return int(n);
}

util::Result<Image> decode_gif(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    GifSource source{bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, gif_read, &error);
    if (!gif)
        return util::fail("gif: {}", gif_error(error));
    struct Close {
        GifFileType* g;
        ~Close()
        {
            int e = 0;
            DGifCloseFile(g, &e);
        }
    } close{gif};
    if (auto ok = check_size("gif", std::uint64_t(std::max(gif->SWidth, 0)),
                             std::uint64_t(std::max(gif->SHeight, 0)), limits);
        !ok)
        return std::unexpected(ok.error());
    int transparent = -1;
    while (true) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return util::fail("gif: {}", gif_error(gif->Error));
        if (type == TERMINATE_RECORD_TYPE)
            return util::fail("gif: no picture in the file");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
                return util::fail("gif: {}", gif_error(gif->Error));
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1))
                transparent = ext[4];
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
                    return util::fail("gif: {}", gif_error(gif->Error));
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR)
            return util::fail("gif: {}", gif_error(gif->Error));
        const GifImageDesc& desc = gif->Image;
        if (auto ok = check_size("gif", std::uint64_t(std::max(desc.Width, 0)),
                                 std::uint64_t(std::max(desc.Height, 0)), limits);
            !ok)
            return std::unexpected(ok.error());
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || !map->Colors)
            return util::fail("gif: no colour table");
        std::uint32_t w = std::uint32_t(gif->SWidth), h = std::uint32_t(gif->SHeight);
        Image image;
        image.width = w;
        image.height = h;
        image.pixels.assign(std::size_t(w) * h, 0);
        std::vector<GifPixelType> row(std::size_t(desc.Width));
        auto put_row = [&](int y) {
            int sy = desc.Top + y;
            if (sy < 0 || sy >= int(h))
                return;
            for (int x = 0; x < desc.Width; ++x) {
                int sx = desc.Left + x;
                int index = row[std::size_t(x)];
                if (sx < 0 || sx >= int(w) || index == transparent || index >= map->ColorCount)
                    continue;
                const GifColorType& c = map->Colors[index];
                image.pixels[std::size_t(sy) * w + std::size_t(sx)] =
                    premultiplied_argb(c.Red, c.Green, c.Blue, 255);
            }
        };
        if (desc.Interlace) {
            static constexpr int start[] = {0, 4, 2, 1};
            static constexpr int step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < desc.Height; y += step[pass]) {
                    if (DGifGetLine(gif, row.data(), desc.Width) == GIF_ERROR)
                        return util::fail("gif: {}", gif_error(gif->Error));
                    put_row(y);
                }
        } else {
            for (int y = 0; y < desc.Height; ++y) {
                if (DGifGetLine(gif, row.data(), desc.Width) == GIF_ERROR)
                    return util::fail("gif: {}", gif_error(gif->Error));
                put_row(y);
            }
        }
        return image;
    }
}

// ---- BMP: uncompressed 1/4/8/24/32-bit and bit-field 16/32-bit, bottom-up or top-down.

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

// Extracts a channel under `mask` scaled to 0..255.
std::uint8_t channel(std::uint32_t value, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    std::uint64_t max = mask >> shift;
    std::uint64_t v = (value & mask) >> shift;
    return std::uint8_t((v * 255 + max / 2) / max);
}

util::Result<Image> decode_bmp(std::span<const std::uint8_t> b, const DecodeLimits& limits)
{
    if (b.size() < 26)
        return util::fail("bmp: truncated header");
    std::uint32_t data_offset = le32(b, 10);
    std::uint32_t header_size = le32(b, 14);
    if (header_size < 12 || 14 + std::uint64_t(header_size) > b.size())
        return util::fail("bmp: truncated header");
    std::int64_t width, height;
    std::uint16_t bpp;
    std::uint32_t compression = 0, colors_used = 0;
    if (header_size == 12) {
        width = le16(b, 18);
        height = std::int16_t(le16(b, 20));
        bpp = le16(b, 24);
    } else {
        if (header_size < 40)
            return util::fail("bmp: unsupported header size {}", header_size);
        width = std::int32_t(le32(b, 18));
        height = std::int32_t(le32(b, 22));
        bpp = le16(b, 28);
        compression = le32(b, 30);
        colors_used = le32(b, 46);
    }
    bool top_down = height < 0;
    std::uint64_t h = std::uint64_t(top_down ? -height : height);
    if (width <= 0)
        return util::fail("bmp: bad width");
    std::uint64_t w = std::uint64_t(width);
    if (auto ok = check_size("bmp", w, h, limits); !ok)
        return std::unexpected(ok.error());

    std::uint32_t masks[4] = {0x00ff0000, 0x0000ff00, 0x000000ff, 0};
    if (compression == 3 || compression == 6) { // bit fields
        if (bpp != 16 && bpp != 32)
            return util::fail("bmp: bit fields need 16 or 32 bits per pixel");
        std::size_t at = header_size >= 52 ? 54 : 14 + header_size;
        if (at + 12 > b.size())
            return util::fail("bmp: truncated bit masks");
        masks[0] = le32(b, at), masks[1] = le32(b, at + 4), masks[2] = le32(b, at + 8);
        masks[3] =
            (header_size >= 56 || compression == 6) && at + 16 <= b.size() ? le32(b, at + 12) : 0;
    } else if (compression != 0) {
        return util::fail("bmp: compressed bitmaps are not supported");
    } else if (bpp == 16) {
        masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return util::fail("bmp: {} bits per pixel is not supported", bpp);

    std::vector<std::uint32_t> palette;
    if (bpp <= 8) {
        std::uint64_t count = colors_used ? colors_used : (1u << bpp);
        count = std::min<std::uint64_t>(count, 256);
        std::size_t entry = header_size == 12 ? 3 : 4;
        std::size_t at = 14 + header_size;
        if (at + count * entry > b.size())
            return util::fail("bmp: truncated palette");
        for (std::uint64_t i = 0; i < count; ++i) {
            std::size_t p = at + i * entry;
            palette.push_back(premultiplied_argb(b[p + 2], b[p + 1], b[p], 255));
        }
    }
    std::uint64_t stride = ((w * bpp + 31) / 32) * 4;
    if (data_offset > b.size() || stride * h > b.size() - data_offset)
        return util::fail("bmp: truncated pixel data");

    Image image;
    image.width = std::uint32_t(w);
    image.height = std::uint32_t(h);
    image.pixels.resize(std::size_t(w * h));
    bool any_alpha = false;
    for (std::uint64_t y = 0; y < h; ++y) {
        std::size_t row = data_offset + std::size_t((top_down ? y : h - 1 - y) * stride);
        std::uint32_t* out = image.pixels.data() + y * w;
        for (std::uint64_t x = 0; x < w; ++x) {
            std::uint32_t px = 0;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                std::size_t bit = std::size_t(x * bpp);
                unsigned v = (b[row + bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                px = v < palette.size() ? palette[v] : 0xff000000u;
                break;
            }
            case 16: {
                std::uint32_t v = le16(b, row + x * 2);
                px = premultiplied_argb(channel(v, masks[0]), channel(v, masks[1]),
                                        channel(v, masks[2]), 255);
                break;
            }
            case 24:
                px =
                    premultiplied_argb(b[row + x * 3 + 2], b[row + x * 3 + 1], b[row + x * 3], 255);
                break;
            case 32: {
                std::uint32_t v = le32(b, row + x * 4);
                std::uint8_t a = masks[3] ? channel(v, masks[3]) : 255;
                any_alpha |= masks[3] && a != 0;
                px = premultiplied_argb(channel(v, masks[0]), channel(v, masks[1]),
                                        channel(v, masks[2]), a);
                break;
            }
            }
            out[x] = px;
        }
    }
    // Many writers put a zero alpha mask into files that are meant to be opaque.
    if (bpp == 32 && masks[3] && !any_alpha)
        for (auto& px : image.pixels)
            px |= 0xff000000u;
    return image;
}

} // namespace

ImageFormat sniff_image_format(std::span<const std::uint8_t> b)
{
    auto starts = [&](std::initializer_list<std::uint8_t> magic, std::size_t at = 0) {
        if (b.size() < at + magic.size())
            return false;
        return std::equal(magic.begin(), magic.end(), b.begin() + std::ptrdiff_t(at));
    };
    if (starts({0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a}))
        return ImageFormat::Png;
    if (starts({0xff, 0xd8, 0xff}))
        return ImageFormat::Jpeg;
    if (starts({'R', 'I', 'F', 'F'}) && starts({'W', 'E', 'B', 'P'}, 8))
        return ImageFormat::WebP;
    if (starts({'G', 'I', 'F', '8', '7', 'a'}) || starts({'G', 'I', 'F', '8', '9', 'a'}))
        return ImageFormat::Gif;
    if (starts({'B', 'M'}))
        return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

std::string_view format_name(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Png:
        return "png";
    case ImageFormat::Jpeg:
        return "jpeg";
    case ImageFormat::WebP:
        return "webp";
    case ImageFormat::Gif:
        return "gif";
    case ImageFormat::Bmp:
        return "bmp";
    case ImageFormat::Unknown:
        break;
    }
    return "unknown";
}

util::Result<Image> decode_image(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    switch (sniff_image_format(bytes)) {
    case ImageFormat::Png:
        return decode_png(bytes, limits);
    case ImageFormat::Jpeg:
        return decode_jpeg(bytes, limits);
    case ImageFormat::WebP:
        return decode_webp(bytes, limits);
    case ImageFormat::Gif:
        return decode_gif(bytes, limits);
    case ImageFormat::Bmp:
        return decode_bmp(bytes, limits);
    case ImageFormat::Unknown:
        break;
    }
    return util::fail("unknown image format");
}

} // namespace ruvo_ui
