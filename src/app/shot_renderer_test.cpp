#include "app/shot_renderer.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include "platform/util/random.h"

namespace {

struct PngSize {
    int width;
    int height;
};

PngSize png_size(const std::filesystem::path& path)
{
    auto* png = cairo_image_surface_create_from_png(path.c_str());
    PngSize size{cairo_image_surface_get_width(png), cairo_image_surface_get_height(png)};
    cairo_surface_destroy(png);
    return size;
}

TEST(ShotRenderer, RequiresAnOutputPath)
{
    ruvo_ui::launch::ShotRequest request;
    request.scene = "default";
    auto result = chat::app::render_shot(request);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "missing screenshot output");
}

TEST(ShotRenderer, RendersAtTheDefaultOrRequestedSize)
{
    auto path = std::filesystem::temp_directory_path() / ("scene-" + util::uuid_v4_hex() + ".png");
    ruvo_ui::launch::ShotRequest request;
    request.output = path;
    ASSERT_TRUE(chat::app::render_shot(request));
    EXPECT_EQ(png_size(path).width, 1280);
    EXPECT_EQ(png_size(path).height, 800);

    request.has_size = true;
    request.width = 800;
    request.height = 600;
    request.scene = "Floating-call"; // unknown names are no error
    ASSERT_TRUE(chat::app::render_shot(request));
    EXPECT_EQ(png_size(path).width, 800);
    EXPECT_EQ(png_size(path).height, 600);
    std::filesystem::remove(path);

    request.output = "/nonexistent-dir/scene.png";
    EXPECT_FALSE(chat::app::render_shot(request));
}

} // namespace
