#include "platform/ui/shot_frame.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include "platform/crdt/document.h"
#include "platform/util/random.h"

namespace {

using namespace ruvo_ui;

// Paints one red square at its layout origin and records what the frame asked of it.
class SquareWidget final : public Widget {
public:
    int syncs = 0;
    Rect laid_out;
    LayoutNode node;

    void sync(crdt::Document&) override { ++syncs; }
    LayoutNode build_layout() override { return node; }
    void apply_layout(const Rect& rect) override { laid_out = rect; }
    void draw(Scene& scene, const Theme&, TextRenderer&, float) override
    {
        cairo_set_source_rgb(scene.cr(), 1, 0, 0);
        cairo_rectangle(scene.cr(), laid_out.x0, laid_out.y0, 10, 10);
        cairo_fill(scene.cr());
    }
    bool handle_event(const Event&) override { return false; }
};

TEST(ShotFrame, PaintsTheWindowSurfaceUnderTheWidgetAndWritesAPng)
{
    auto frame = ShotFrame::create(64, 48, Theme::light());
    ASSERT_TRUE(frame);
    SquareWidget widget;
    (*frame)->sync(widget);
    ASSERT_TRUE((*frame)->layout(widget));
    EXPECT_EQ(widget.laid_out, (Rect{0, 0, 64, 48}));
    (*frame)->draw(widget);
    EXPECT_EQ(widget.syncs, 1);
    EXPECT_EQ((*frame)->pixel(2, 2), 0xffff0000u);

    auto surface = Theme::light().window_surface;
    std::uint32_t expected = 0xff000000u | std::uint32_t(std::lround(surface.r * 255)) << 16 |
                             std::uint32_t(std::lround(surface.g * 255)) << 8 | std::uint32_t(std::lround(surface.b * 255));
    EXPECT_EQ((*frame)->pixel(40, 40), expected);

    auto path = std::filesystem::temp_directory_path() / ("shot-" + util::uuid_v4_hex() + ".png");
    ASSERT_TRUE((*frame)->write_png(path));
    auto* png = cairo_image_surface_create_from_png(path.c_str());
    EXPECT_EQ(cairo_image_surface_get_width(png), 64);
    EXPECT_EQ(cairo_image_surface_get_height(png), 48);
    cairo_surface_destroy(png);
    std::filesystem::remove(path);

    EXPECT_FALSE((*frame)->write_png("/nonexistent-dir/x.png"));
}

TEST(ShotFrame, RefusesImpossibleSizesAndLayouts)
{
    EXPECT_FALSE(ShotFrame::create(0, 10, Theme::dark()));
    EXPECT_FALSE(ShotFrame::create(10, 100'000, Theme::dark()));

    auto frame = ShotFrame::create(100, 100, Theme::dark());
    ASSERT_TRUE(frame);
    SquareWidget widget;
    widget.node.min_size = {200, 50};
    auto too_big = (*frame)->layout(widget);
    ASSERT_FALSE(too_big);
    EXPECT_NE(too_big.error().message.find("200x50"), std::string::npos);
    widget.node.min_size = {std::nan(""), 1};
    EXPECT_FALSE((*frame)->layout(widget));
}

} // namespace
