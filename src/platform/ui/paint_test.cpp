#include "platform/ui/paint.h"

#include <cairo.h>
#include <gtest/gtest.h>

using namespace ruvo_ui;

namespace {

struct Canvas {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200);
    cairo_t* cr = cairo_create(surface);
    ~Canvas()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    std::uint32_t at(int x, int y)
    {
        cairo_surface_flush(surface);
        auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface));
        return data[y * cairo_image_surface_get_stride(surface) / 4 + x];
    }
};

// Left half red, right half blue, with a green centre column.
Image two_halves(std::uint32_t w, std::uint32_t h)
{
    Image image{w, h, std::vector<std::uint32_t>(std::size_t(w) * h)};
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            image.pixels[y * w + x] =
                x == w / 2 ? 0xff00ff00u : (x < w / 2 ? 0xffff0000u : 0xff0000ffu);
    return image;
}

} // namespace

TEST(ImageCover, FillsTheRectangleCentredAndCropsTheOverflow)
{
    Canvas canvas;
    Painter paint(canvas.cr);
    // A 4:1 picture into a square: the square is filled edge to edge, the picture's middle
    // shows, and nothing lands outside the rectangle.
    paint.image_cover(two_halves(400, 100), Rect{50, 50, 150, 150});
    EXPECT_EQ(canvas.at(52, 100), 0xffff0000u);
    EXPECT_EQ(canvas.at(147, 100), 0xff0000ffu);
    EXPECT_EQ(canvas.at(52, 52), 0xffff0000u);
    EXPECT_EQ(canvas.at(147, 147), 0xff0000ffu);
    EXPECT_EQ(canvas.at(100, 100) & 0xff00ff00u,
              0xff00ff00u); // the centre column sits in the middle
    EXPECT_EQ(canvas.at(48, 100), 0u);
    EXPECT_EQ(canvas.at(152, 100), 0u);
    EXPECT_EQ(canvas.at(100, 48), 0u);
    EXPECT_EQ(canvas.at(100, 152), 0u);
}

TEST(ImageCover, RoundedCornersAreCutAndBadImagesPaintNothing)
{
    Canvas canvas;
    Painter paint(canvas.cr);
    paint.image_cover(two_halves(100, 100), Rect{0, 0, 100, 100}, 30);
    EXPECT_EQ(canvas.at(1, 1), 0u);
    EXPECT_EQ(canvas.at(50 - 20, 50), 0xffff0000u);
    Image broken{10, 10, {}}; // claims pixels it does not have
    paint.image_cover(broken, Rect{100, 100, 200, 200});
    paint.image_cover(Image{}, Rect{100, 100, 200, 200});
    EXPECT_EQ(canvas.at(150, 150), 0u);
}

TEST(Shadow, DarkensAroundAndBelowTheRectangleButNotInsideIt)
{
    for (double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        Canvas canvas;
        cairo_scale(canvas.cr, scale, scale);
        Painter paint(canvas.cr);
        auto theme = Theme::dark();
        Rect card = Rect::from_size(60 / scale, 60 / scale, 80 / scale, 60 / scale);
        paint.shadow(card, 10 / scale, theme, 14 / scale);
        auto alpha = [&](int x, int y) { return canvas.at(x, y) >> 24; };
        EXPECT_EQ(alpha(100, 90), 0u);              // inside: left to the card
        EXPECT_GT(alpha(100, 123), 0u);             // just below
        EXPECT_GT(alpha(100, 123), alpha(100, 58)); // stronger below than above
        EXPECT_GT(alpha(57, 90), alpha(50, 90));    // fading outwards
        EXPECT_EQ(alpha(100, 10), 0u);              // far away
        // Left and right edges are symmetric.
        EXPECT_NEAR(double(alpha(57, 90)), double(alpha(142, 90)), 2.0);
    }
}
