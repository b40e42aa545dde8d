#include "platform/ui/test_images.h"

#include <cairo.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <webp/encode.h>

namespace ruvo_ui::test_images {

namespace {

void rgb_at(int x, int y, std::uint8_t out[3])
{
    out[0] = std::uint8_t(x * 40);
    out[1] = std::uint8_t(y * 40);
    out[2] = 200;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n)
{
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void put_be32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24), p[1] = std::uint8_t(v >> 16), p[2] = std::uint8_t(v >> 8),
    p[3] = std::uint8_t(v);
}

void put_le32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
void put_le16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

} // namespace

std::vector<std::uint8_t> png(int w, int h)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s));
    int stride = cairo_image_surface_get_stride(s) / 4;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t c[3];
            rgb_at(x, y, c);
            data[y * stride + x] =
                (x == 0 && y == 0) ? 0 : (0xffu << 24 | c[0] << 16 | c[1] << 8 | c[2]);
        }
    cairo_surface_mark_dirty(s);
    std::vector<std::uint8_t> out;
    cairo_surface_write_to_png_stream(
        s,
        [](void* closure, const unsigned char* bytes, unsigned int length) {
            auto* v = static_cast<std::vector<std::uint8_t>*>(closure);
            v->insert(v->end(), bytes, bytes + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &out);
    cairo_surface_destroy(s);
    return out;
}

std::vector<std::uint8_t> jpeg(int w, int h)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(std::size_t(w) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < w; ++x)
            rgb_at(x, int(cinfo.next_scanline), &row[std::size_t(x) * 3]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> webp(int w, int h)
{
    std::vector<std::uint8_t> rgba(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto* p = &rgba[(std::size_t(y) * w + x) * 4];
            rgb_at(x, y, p);
            p[3] = (x == 0 && y == 0) ? 0 : 255;
        }
    std::uint8_t* out = nullptr;
    std::size_t size = WebPEncodeLosslessRGBA(rgba.data(), w, h, w * 4, &out);
    std::vector<std::uint8_t> bytes(out, out + size);
    WebPFree(out);
    return bytes;
}

std::vector<std::uint8_t> bmp24(int w, int h)
{
    std::uint32_t stride = (std::uint32_t(w) * 3 + 3) & ~3u;
    std::vector<std::uint8_t> out = {'B', 'M'};
    put_le32(out, 54 + stride * std::uint32_t(h));
    put_le32(out, 0);
    put_le32(out, 54);
    put_le32(out, 40);
    put_le32(out, std::uint32_t(w));
    put_le32(out, std::uint32_t(h));
    put_le16(out, 1);
    put_le16(out, 24);
    for (int i = 0; i < 6; ++i)
        put_le32(out, 0);
    for (int y = h - 1; y >= 0; --y) { // bottom-up
        for (int x = 0; x < w; ++x) {
            std::uint8_t c[3];
            rgb_at(x, y, c);
            out.push_back(c[2]), out.push_back(c[1]), out.push_back(c[0]);
        }
        for (std::uint32_t pad = std::uint32_t(w) * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

std::vector<std::uint8_t> gif_white()
{
    const char bytes[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                         ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
                         "D\x01\x00;";
    return {bytes, bytes + sizeof bytes - 1};
}

std::vector<std::uint8_t> gif_transparent()
{
    const char bytes[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                         "!\xf9\x04\x01\x00\x00\x00\x00"
                         ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
                         "D\x01\x00;";
    return {bytes, bytes + sizeof bytes - 1};
}

std::vector<std::uint8_t> with_png_size(std::vector<std::uint8_t> png, std::uint32_t w,
                                        std::uint32_t h)
{
    // Signature (8), IHDR length (4), "IHDR" (4), width, height, 5 more bytes, CRC.
    put_be32(&png[16], w);
    put_be32(&png[20], h);
    put_be32(&png[29], crc32(&png[12], 17));
    return png;
}

std::vector<std::uint8_t> with_jpeg_size(std::vector<std::uint8_t> jpeg, std::uint16_t w,
                                         std::uint16_t h)
{
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xff && (jpeg[i + 1] == 0xc0 || jpeg[i + 1] == 0xc2)) {
            jpeg[i + 5] = std::uint8_t(h >> 8), jpeg[i + 6] = std::uint8_t(h);
            jpeg[i + 7] = std::uint8_t(w >> 8), jpeg[i + 8] = std::uint8_t(w);
            break;
        }
    }
    return jpeg;
}

std::vector<std::uint8_t> with_gif_size(std::vector<std::uint8_t> gif, std::uint16_t w,
                                        std::uint16_t h)
{
    gif[6] = std::uint8_t(w), gif[7] = std::uint8_t(w >> 8);
    gif[8] = std::uint8_t(h), gif[9] = std::uint8_t(h >> 8);
    return gif;
}

std::vector<std::uint8_t> bmp_header_only(std::int32_t w, std::int32_t h)
{
    std::vector<std::uint8_t> out = {'B', 'M'};
    put_le32(out, 54);
    put_le32(out, 0);
    put_le32(out, 54);
    put_le32(out, 40);
    put_le32(out, std::uint32_t(w));
    put_le32(out, std::uint32_t(h));
    put_le16(out, 1);
    put_le16(out, 24);
    for (int i = 0; i < 6; ++i)
        put_le32(out, 0);
    return out;
}

} // namespace ruvo_ui::test_images
