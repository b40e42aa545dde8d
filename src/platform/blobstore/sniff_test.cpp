#include "platform/blobstore/sniff.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Builder {
    Bytes b;
    Builder& text(std::string_view s)
    {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Builder& u8(std::uint32_t v)
    {
        b.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Builder& be16(std::uint32_t v) { return u8(v >> 8).u8(v); }
    Builder& be32(std::uint32_t v) { return be16(v >> 16).be16(v); }
    Builder& le16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    Builder& le24(std::uint32_t v) { return le16(v).u8(v >> 16); }
    Builder& le32(std::uint32_t v) { return le16(v).le16(v >> 16); }
    Builder& zeros(std::size_t n)
    {
        b.insert(b.end(), n, 0);
        return *this;
    }
    Bytes done() const { return b; }
};

Bytes png(std::uint32_t w, std::uint32_t h)
{
    return Builder{}.text("\x89PNG\r\n\x1a\n").be32(13).text("IHDR").be32(w).be32(h).u8(8).u8(6).zeros(7).done();
}

Bytes jpeg(std::uint32_t w, std::uint32_t h, std::uint8_t sof = 0xC0, std::size_t app_padding = 14)
{
    return Builder{}
        .u8(0xFF).u8(0xD8)
        .u8(0xFF).u8(0xE0).be16(static_cast<std::uint32_t>(2 + app_padding)).zeros(app_padding)
        .u8(0xFF).u8(0xC4).be16(4).zeros(2) // a Huffman table is not a frame header
        .u8(0xFF).u8(sof).be16(17).u8(8).be16(h).be16(w).zeros(12)
        .done();
}

Bytes webp(std::string_view chunk, const Builder& payload)
{
    Builder b;
    b.text("RIFF").le32(100).text("WEBP").text(chunk).le32(50);
    b.b.insert(b.b.end(), payload.b.begin(), payload.b.end());
    return b.b;
}

Bytes truncated(Bytes bytes, std::size_t keep)
{
    bytes.resize(keep);
    return bytes;
}

TEST(Sniff, ReadsTheSizeOfEveryKnownFormatAndZeroForTheRest)
{
    struct Case {
        const char* name;
        Bytes bytes;
        blobstore::ImageSize expected;
    };
    Bytes jpeg_far = jpeg(10, 20, 0xC0, 20'000);
    std::vector<Case> cases = {
        {"png", png(800, 600), {800, 600}},
        {"png truncated in IHDR", truncated(png(800, 600), 22), {}},
        {"png of absurd width", png(0x7fffffff, 10), {}},
        {"png of zero height", png(10, 0), {}},
        {"jpeg baseline", jpeg(640, 480), {640, 480}},
        {"jpeg progressive", jpeg(1920, 1080, 0xC2), {1920, 1080}},
        {"jpeg truncated before frame", truncated(jpeg(640, 480), 30), {}},
        {"jpeg frame beyond the window", jpeg_far, {}},
        {"jpeg scan before any frame", Builder{}.u8(0xFF).u8(0xD8).u8(0xFF).u8(0xDA).be16(8).zeros(20).done(), {}},
        {"gif89a", Builder{}.text("GIF89a").le16(320).le16(200).zeros(4).done(), {320, 200}},
        {"gif87a", Builder{}.text("GIF87a").le16(1).le16(1).done(), {1, 1}},
        {"gif truncated", Builder{}.text("GIF89a").le16(320).done(), {}},
        {"webp lossy", webp("VP8 ", Builder{}.zeros(3).u8(0x9D).u8(0x01).u8(0x2A).le16(400).le16(300)), {400, 300}},
        {"webp lossy bad start code", webp("VP8 ", Builder{}.zeros(6).le16(400).le16(300)), {}},
        {"webp lossless", webp("VP8L", Builder{}.u8(0x2F).le32((99u) | (49u << 14))), {100, 50}},
        {"webp extended", webp("VP8X", Builder{}.zeros(4).le24(1279).le24(719)), {1280, 720}},
        {"webp extended too large", webp("VP8X", Builder{}.zeros(4).le24(0xFFFFFF).le24(10)), {}},
        {"bmp bottom-up", Builder{}.text("BM").zeros(12).le32(40).le32(64).le32(32).done(), {64, 32}},
        {"bmp top-down", Builder{}.text("BM").zeros(12).le32(124).le32(64).le32(static_cast<std::uint32_t>(-32)).done(), {64, 32}},
        {"bmp core header", Builder{}.text("BM").zeros(12).le32(12).le16(7).le16(9).done(), {7, 9}},
        {"bmp negative width", Builder{}.text("BM").zeros(12).le32(40).le32(static_cast<std::uint32_t>(-5)).le32(5).done(), {}},
        {"bmp minimum height", Builder{}.text("BM").zeros(12).le32(40).le32(5).le32(0x80000000u).done(), {}},
        {"text", Builder{}.text("just some text, not an image").done(), {}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(blobstore::sniff_image(c.bytes), c.expected);
    }
}

TEST(Sniff, EveryPrefixOfAValidHeaderIsSafe)
{
    for (const auto& bytes : {png(3, 4), jpeg(5, 6), webp("VP8X", Builder{}.zeros(4).le24(1).le24(1))}) {
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            auto size = blobstore::sniff_image(std::span(bytes).first(n));
            EXPECT_TRUE(size == blobstore::ImageSize{} || (size.width > 0 && size.height > 0));
        }
    }
}

} // namespace
