// Frame cost of the toolkit: a 1280x800 frame of 60 text runs in mixed sizes, 60 rounded
// cards, 20 avatars and 10 shadows, drawn with the layout cache and, as the reference peer, the
// same frame shaping a fresh PangoLayout for every run. Also the cost of measuring 60 labels.
// Prints the median frame time of both and their ratio.

#include "platform/ui/avatar.h"
#include "platform/ui/paint.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace ruvo_ui;

namespace {

constexpr int width = 1280;
constexpr int height = 800;

struct Fixture {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    Theme theme = Theme::dark();
    std::vector<std::string> texts;
    Fixture()
    {
        const char* words[] = {"general",
                               "Ada Lovelace",
                               "Shipping the composer on the shared input 🎉",
                               "design-review",
                               "12:04",
                               "Please check the address",
                               "👍 3",
                               "last reply 5 min ago"};
        for (int i = 0; i < 60; ++i)
            texts.push_back(std::string(words[i % 8]) + " " + std::to_string(i));
    }
    ~Fixture()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

void draw_frame(Fixture& f, TextRenderer& text)
{
    Painter paint(f.cr);
    paint.fill_rect({0, 0, width, height}, f.theme.window_surface);
    for (int i = 0; i < 10; ++i)
        paint.shadow(Rect::from_size(40 + (i % 5) * 240, 40 + (i / 5) * 380, 200, 120), 14,
                     f.theme);
    for (int i = 0; i < 60; ++i) {
        Rect card = Rect::from_size(20 + (i % 6) * 210, 20 + (i / 6) * 78, 196, 66);
        paint.card(card, 10, Colors::lift(f.theme, 0.35 + 0.05 * (i % 5)), f.theme);
    }
    for (int i = 0; i < 20; ++i)
        Avatar::draw_at(f.cr, text, f.theme, {44.0 + (i % 10) * 120, 60.0 + (i / 10) * 400}, 16,
                        i % 2 ? "AL" : "GH", f.theme.avatar_color(i));
    static const double sizes[] = {11, 12, 13, 13.5, 14, 15, 16};
    for (int i = 0; i < 60; ++i)
        text.draw_text_weighted(f.cr, f.texts[std::size_t(i)],
                                {72.0 + (i % 6) * 210, 30.0 + (i / 6) * 78}, sizes[i % 7],
                                i % 3 == 0 ? 2 : 0, f.theme.text);
    cairo_surface_flush(f.surface);
}

double measure_labels(Fixture& f, TextRenderer& text)
{
    double total = 0;
    for (int i = 0; i < 60; ++i)
        total += text.measure_weighted(f.texts[std::size_t(i)], 13 + (i % 3), i % 2 ? 2 : 0).width;
    return total;
}

void BM_FrameCached(benchmark::State& state)
{
    Fixture f;
    TextRenderer text;
    for (auto _ : state)
        draw_frame(f, text);
}
BENCHMARK(BM_FrameCached)->Unit(benchmark::kMillisecond);

void BM_FrameFreshLayoutPerRun(benchmark::State& state)
{
    Fixture f;
    TextRenderer text;
    text.set_cache_enabled(false);
    for (auto _ : state)
        draw_frame(f, text);
}
BENCHMARK(BM_FrameFreshLayoutPerRun)->Unit(benchmark::kMillisecond);

void BM_Measure60LabelsCached(benchmark::State& state)
{
    Fixture f;
    TextRenderer text;
    for (auto _ : state)
        benchmark::DoNotOptimize(measure_labels(f, text));
}
BENCHMARK(BM_Measure60LabelsCached)->Unit(benchmark::kMicrosecond);

void BM_Measure60LabelsFresh(benchmark::State& state)
{
    Fixture f;
    TextRenderer text;
    text.set_cache_enabled(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(measure_labels(f, text));
}
BENCHMARK(BM_Measure60LabelsFresh)->Unit(benchmark::kMicrosecond);

template <typename F> double median_ms(int rounds, F&& f)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
    return times[std::size_t(rounds / 2)];
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    Fixture f;
    TextRenderer cached;
    TextRenderer fresh;
    fresh.set_cache_enabled(false);
    draw_frame(f, cached); // warm the fonts and the cache
    draw_frame(f, fresh);
    double frame_cached = median_ms(200, [&] { draw_frame(f, cached); });
    double frame_fresh = median_ms(200, [&] { draw_frame(f, fresh); });
    double measure_cached =
        median_ms(500, [&] { benchmark::DoNotOptimize(measure_labels(f, cached)); });
    double measure_fresh =
        median_ms(500, [&] { benchmark::DoNotOptimize(measure_labels(f, fresh)); });
    std::printf("\nmedian frame 1280x800 (60 text runs, 60 cards, 20 avatars, 10 shadows):\n");
    std::printf("  toolkit (cached layouts)      %7.3f ms\n", frame_cached);
    std::printf("  peer (fresh layout per run)   %7.3f ms   ratio %.1fx\n", frame_fresh,
                frame_fresh / frame_cached);
    std::printf("median measurement of 60 labels:\n");
    std::printf("  toolkit (cached layouts)      %7.3f ms\n", measure_cached);
    std::printf("  peer (fresh layout per run)   %7.3f ms   ratio %.1fx\n", measure_fresh,
                measure_fresh / measure_cached);
    std::printf("budget for a whole application frame: 8 ms\n");
    return 0;
}
