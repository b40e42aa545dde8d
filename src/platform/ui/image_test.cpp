#include "platform/ui/image_decode.h"
#include "platform/ui/image_store.h"
#include "platform/ui/test_images.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

using namespace ruvo_ui;
namespace ti = ruvo_ui::test_images;

namespace {

std::uint32_t argb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return 0xff000000u | r << 16 | g << 8 | b;
}

} // namespace

TEST(ImageDecode, EveryFormatDecodesToTheSamePixels)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        ImageFormat format;
        bool has_alpha;
        int tolerance;
    };
    const Case cases[] = {
        {"png", ti::png(5, 3), ImageFormat::Png, true, 0},
        {"webp", ti::webp(5, 3), ImageFormat::WebP, true, 0},
        {"bmp", ti::bmp24(5, 3), ImageFormat::Bmp, false, 0},
        {"jpeg", ti::jpeg(5, 3), ImageFormat::Jpeg, false, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sniff_image_format(c.bytes), c.format);
        auto image = decode_image(c.bytes);
        ASSERT_TRUE(image) << image.error().message;
        ASSERT_EQ(image->width, 5u);
        ASSERT_EQ(image->height, 3u);
        ASSERT_EQ(image->pixels.size(), 15u);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                std::uint32_t got = image->pixels[std::size_t(y) * 5 + x];
                if (x == 0 && y == 0 && c.has_alpha) {
                    EXPECT_EQ(got, 0u); // transparent, premultiplied to zero
                    continue;
                }
                std::uint32_t want = argb(std::uint8_t(x * 40), std::uint8_t(y * 40), 200);
                for (int shift : {0, 8, 16, 24}) {
                    int a = int((got >> shift) & 0xff), b = int((want >> shift) & 0xff);
                    EXPECT_LE(std::abs(a - b), c.tolerance)
                        << "pixel " << x << "," << y << " shift " << shift;
                }
            }
    }
}

TEST(ImageDecode, GifFirstFrameWithTransparency)
{
    auto white = decode_image(ti::gif_white());
    ASSERT_TRUE(white) << white.error().message;
    EXPECT_EQ(white->width, 1u);
    EXPECT_EQ(white->pixels.at(0), 0xffffffffu);
    auto clear = decode_image(ti::gif_transparent());
    ASSERT_TRUE(clear) << clear.error().message;
    EXPECT_EQ(clear->pixels.at(0), 0u);
}

TEST(ImageDecode, HugeHeadersAreRefusedBeforeDecoding)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"png", ti::with_png_size(ti::png(2, 2), 50000, 50000)},
        {"jpeg", ti::with_jpeg_size(ti::jpeg(8, 8), 50000, 50000)},
        {"gif", ti::with_gif_size(ti::gif_white(), 50000, 50000)},
        {"bmp", ti::bmp_header_only(50000, 50000)},
        {"bmp top-down", ti::bmp_header_only(50000, -50000)},
        {"png one long side", ti::with_png_size(ti::png(2, 2), 100000, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = decode_image(c.bytes);
        ASSERT_FALSE(image);
        EXPECT_NE(image.error().message.find("exceeds the pixel limit"), std::string::npos)
            << image.error().message;
    }
}

TEST(ImageDecode, LimitsAreTheCallers)
{
    DecodeLimits tight;
    tight.max_pixels = 10;
    EXPECT_FALSE(decode_image(ti::png(4, 4), tight));
    EXPECT_TRUE(decode_image(ti::png(3, 3), tight));
}

TEST(ImageDecode, EveryTruncationFailsCleanly)
{
    for (auto bytes :
         {ti::png(6, 4), ti::jpeg(16, 16), ti::webp(6, 4), ti::bmp24(6, 4), ti::gif_white()}) {
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
            auto image = decode_image(prefix);
            // Formats whose tail holds no pixels (trailers, end markers) may still decode;
            // what matters is an answer without a crash, and a complete size when it decodes.
            if (image) {
                EXPECT_EQ(image->pixels.size(), std::size_t(image->width) * image->height);
            }
        }
        EXPECT_FALSE(decode_image(std::span<const std::uint8_t>(bytes.data(), bytes.size() / 3)));
    }
}

TEST(ImageDecode, NonPicturesAreRefused)
{
    std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    auto image = decode_image(text);
    ASSERT_FALSE(image);
    EXPECT_EQ(image.error().message, "unknown image format");
    EXPECT_FALSE(decode_image({}));
}

namespace {

// A loader that holds every request until the test opens the gate.
class GatedLoader {
  public:
    void add(std::string uri, std::vector<std::uint8_t> bytes)
    {
        m_files[std::move(uri)] = std::move(bytes);
    }
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }
    ImageLoader loader()
    {
        return [this](std::string_view uri) -> std::optional<std::vector<std::uint8_t>> {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [&] { return m_open; });
            ++m_calls;
            auto it = m_files.find(std::string(uri));
            if (it == m_files.end())
                return std::nullopt;
            return it->second;
        };
    }
    int calls() const { return m_calls; }

  private:
    std::map<std::string, std::vector<std::uint8_t>> m_files;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
    std::atomic<int> m_calls = 0;
};

} // namespace

TEST(ImageStoreStates, PendingThenReadyOrFailed)
{
    GatedLoader files;
    files.add("good", ti::png(4, 2));
    files.add("garbage", {1, 2, 3});
    files.add("huge", ti::with_png_size(ti::png(2, 2), 50000, 50000));
    auto store = ImageStore::create(files.loader());
    EXPECT_TRUE(store->is_idle());
    for (const char* uri : {"good", "garbage", "huge", "missing"})
        EXPECT_EQ(store->get(uri).state, ImageState::Pending) << uri;
    EXPECT_FALSE(store->is_idle());
    files.open();
    ASSERT_TRUE(store->block_until_idle());
    auto good = store->get("good");
    ASSERT_EQ(good.state, ImageState::Ready);
    ASSERT_NE(good.image, nullptr);
    EXPECT_EQ(good.image->width, 4u);
    EXPECT_EQ(store->get("garbage").state, ImageState::Failed);
    auto huge = store->get("huge");
    EXPECT_EQ(huge.state, ImageState::Failed);
    EXPECT_NE(huge.error.find("pixel limit"), std::string::npos);
    EXPECT_EQ(store->get("missing").state, ImageState::Failed);
    EXPECT_TRUE(store->is_idle());
    // Answers are kept: asking again loads nothing.
    int calls = files.calls();
    store->get("good");
    store->get("missing");
    EXPECT_EQ(files.calls(), calls);
}

TEST(ImageStoreStates, RequestsBeyondTheQueueAreServedLater)
{
    GatedLoader files;
    for (int i = 0; i < 12; ++i)
        files.add("img" + std::to_string(i), ti::png(1 + i, 1));
    ImageStoreOptions options;
    options.queue_capacity = 2;
    auto store = ImageStore::create(files.loader(), options);
    for (int i = 0; i < 12; ++i)
        store->get("img" + std::to_string(i));
    files.open();
    ASSERT_TRUE(store->block_until_idle());
    for (int i = 0; i < 12; ++i) {
        auto lookup = store->get("img" + std::to_string(i));
        ASSERT_EQ(lookup.state, ImageState::Ready) << i;
        EXPECT_EQ(lookup.image->width, std::uint32_t(1 + i));
    }
}

TEST(ImageStoreStates, CacheEvictsLeastRecentlyUsedPictures)
{
    GatedLoader files;
    files.add("a", ti::png(16, 16));
    files.add("b", ti::png(16, 16));
    files.open();
    ImageStoreOptions options;
    options.max_cached_bytes = 16 * 16 * 4; // room for one
    auto store = ImageStore::create(files.loader(), options);
    store->get("a");
    ASSERT_TRUE(store->block_until_idle());
    EXPECT_TRUE(store->get("a").ready());
    store->get("b");
    ASSERT_TRUE(store->block_until_idle());
    EXPECT_TRUE(store->get("b").ready());
    EXPECT_LE(store->cached_bytes(), options.max_cached_bytes);
    EXPECT_EQ(store->get("a").state, ImageState::Pending); // evicted, asked again
}

TEST(ImageStoreStates, DestroyingWithWorkOutstandingDoesNotHang)
{
    GatedLoader files;
    files.add("a", ti::png(2, 2));
    auto store = ImageStore::create(files.loader());
    store->get("a");
    store->get("b");
    files.open();
    store.reset();
    SUCCEED();
}
