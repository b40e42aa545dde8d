#include "platform/ui/rich_text.h"
#include "platform/ui/text_renderer.h"

#include <cairo.h>
#include <cmath>
#include <gtest/gtest.h>

using namespace ruvo_ui;

TEST(TextMeasure, GrowsWithTextSizeAndWeight)
{
    TextRenderer text;
    auto hi = text.measure("Hi", 14);
    auto hello = text.measure("Hello there", 14);
    EXPECT_GT(hello.width, hi.width);
    EXPECT_NEAR(hello.height, hi.height, 0.01);
    EXPECT_GT(text.measure("Hello there", 20).width, hello.width);
    EXPECT_GT(text.measure_weighted("Hello there", 14, 3).width, hello.width);
    double line = text.line_height(14);
    EXPECT_GT(line, 14);
    EXPECT_LT(line, 28);
    EXPECT_GT(text.baseline(14), 0);
    EXPECT_LT(text.baseline(14), line);
}

TEST(TextMeasure, WrappingMakesLinesAndRespectsTheWidth)
{
    TextRenderer text;
    std::string words = "the quick brown fox jumps over the lazy dog again and again";
    auto one = text.measure(words, 14);
    auto wrapped = text.measure(words, 14, 120.0);
    EXPECT_LE(wrapped.width, 120.5);
    EXPECT_GE(wrapped.height, 3 * text.line_height(14) - 1);
    EXPECT_GT(one.width, 120);
    // A word longer than the width is broken between characters rather than overflowing.
    auto long_word = text.measure(std::string(200, 'w'), 14, 100.0);
    EXPECT_LE(long_word.width, 100.5);
}

TEST(TextMeasure, TextScaleMultipliesSizes)
{
    TextRenderer text;
    double base = text.line_height(14);
    double base_w = text.measure("Scaled words", 14).width;
    text.set_scale(2.0f);
    EXPECT_NEAR(text.line_height(14), 2 * base, base * 0.08);
    EXPECT_NEAR(text.measure("Scaled words", 14).width, 2 * base_w, base_w * 0.05);
    text.set_scale(std::nanf(""));
    EXPECT_EQ(text.scale(), 1.0f);
}

TEST(TextMeasure, EllipsizingFitsTheWidth)
{
    TextRenderer text;
    TextStyle style;
    style.size = 14;
    style.ellipsize_width = 80;
    std::string name = "a-channel-name-that-is-far-too-long-to-fit";
    EXPECT_TRUE(text.is_ellipsized(name, style));
    EXPECT_LE(text.measure_styled(name, style).width, 80.5);
    EXPECT_FALSE(text.is_ellipsized("ok", style));
}

TEST(TextMeasure, AnyBytesMeasureAndDraw)
{
    TextRenderer text;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
    cairo_t* cr = cairo_create(surface);
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"invalid utf-8", "ok \xff\xfe\xc3 broken \xed\xa0\x80 surrogate \xf4\x90\x80\x80"},
        {"control characters", std::string("a\0b\x01\x1b[31m\x7f\r\n", 12)},
        {"right to left", "שלום עולם مرحبا بالعالم"},
        {"combining marks", "e\xcc\x81\xcc\x82\xcc\x83\xcc\x84 Z\xcd\x91\xcd\x92\xcd\x93"},
        {"emoji sequences", "👩‍👩‍👧‍👦 🏳️‍🌈 ❤️ 👍🏽"},
        {"one long line", std::string(100000, 'x')},
        {"only newlines", std::string(500, '\n')},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto size = text.measure(c.text, 14);
        EXPECT_TRUE(std::isfinite(size.width) && std::isfinite(size.height));
        EXPECT_GE(size.height, 0);
        auto wrapped = text.measure(c.text, 14, 200.0);
        EXPECT_LE(wrapped.width, 200.5);
        text.draw_text(cr, c.text, {0, 0}, 14, {1, 1, 1, 1});
        RichTextLayout rich;
        rich.push(c.text, {1, 0, 0, 1}, Color{0, 0, 1, 0.3});
        text.draw_rich(cr, rich, {0, 0}, 14, 200.0);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST(TextMeasure, RepeatedMeasurementsHitTheCache)
{
    TextRenderer text;
    text.measure("cached", 13);
    auto before = text.cache_stats();
    for (int i = 0; i < 10; ++i)
        text.measure("cached", 13);
    auto after = text.cache_stats();
    EXPECT_EQ(after.hits - before.hits, 10u);
    EXPECT_EQ(after.misses, before.misses);
    text.measure("cached", 13.5); // another size is another layout
    EXPECT_EQ(text.cache_stats().misses, before.misses + 1);
    text.set_cache_enabled(false);
    auto uncached = text.measure("cached", 13);
    EXPECT_EQ(uncached, text.measure("cached", 13));
    EXPECT_EQ(text.cache_stats().entries, 0u);
}

TEST(TextMeasure, ManyDistinctTextsKeepTheCacheBounded)
{
    TextRenderer text;
    for (int i = 0; i < 10000; ++i)
        text.measure("label " + std::to_string(i), 13);
    EXPECT_LE(text.cache_stats().entries, 4096u);
}

TEST(RichText, MeasuresLikeThePlainTextItJoins)
{
    TextRenderer text;
    RichTextLayout rich;
    rich.push("Hello ", {1, 1, 1, 1});
    rich.push("@ada", {0.4, 0.5, 1, 1}, Color{0.4, 0.5, 1, 0.2});
    rich.push("", {1, 1, 1, 1});
    rich.push(", welcome", {1, 1, 1, 1});
    EXPECT_EQ(rich.spans().size(), 3u);
    EXPECT_EQ(rich.plain_text(), "Hello @ada, welcome");
    auto a = text.measure_rich(rich, 14);
    auto b = text.measure(rich.plain_text(), 14);
    EXPECT_NEAR(a.width, b.width, 0.5);
    EXPECT_NEAR(a.height, b.height, 0.5);
}
