#pragma once
// Immediate-mode painting over cairo: rectangles, rounded rectangles, circles, lines, clips,
// the soft framework shadow, cards, panel borders and images painted to cover a rectangle.
// A Painter borrows a cairo context for one draw on the UI thread and leaves the context's
// state as it found it.

#include "platform/ui/color.h"
#include "platform/ui/geometry.h"
#include "platform/ui/image.h"
#include "platform/ui/theme.h"

#include <string_view>

typedef struct _cairo cairo_t;

namespace ruvo_ui {

class Painter {
  public:
    explicit Painter(cairo_t* cr) : m_cr(cr) {}

    cairo_t* cr() const { return m_cr; }

    void fill_rect(const Rect& rect, Color color);
    void stroke_rect(const Rect& rect, Color color, double width = 1);
    // A radius larger than half the shorter side is reduced to it (a pill).
    void fill_rounded(const Rect& rect, double radius, Color color);
    void stroke_rounded(const Rect& rect, double radius, Color color, double width = 1);
    void fill_circle(Point center, double radius, Color color);
    void stroke_circle(Point center, double radius, Color color, double width = 1);
    void line(Point from, Point to, Color color, double width = 1);
    // A one-pixel horizontal or vertical rule snapped to the pixel grid.
    void separator_horizontal(double x0, double x1, double y, Color color);
    void separator_vertical(double x, double y0, double y1, Color color);

    // The framework shadow: a soft, blurred shape under a rounded rectangle, strongest just
    // below it. `blur` is how far the shadow fades out past the rectangle.
    void shadow(const Rect& rect, double radius, const Theme& theme, double blur = 14,
                double strength = 1);
    // A filled rounded rectangle in `fill` with the theme's hairline edge around it.
    void card(const Rect& rect, double radius, Color fill, const Theme& theme);
    // The hairline edge that separates a floating panel from what lies under it.
    void panel_border(const Rect& rect, double radius, const Theme& theme);
    // A stroke just inside the rectangle (so it never spills into a neighbour).
    void outline(const Rect& rect, double radius, Color color, double width = 1);

    // Paints `image` scaled to cover `rect` entirely, centred, cropping what overflows, with the
    // corners rounded by `radius`. An empty image paints nothing.
    void image_cover(const Image& image, const Rect& rect, double radius = 0);

    void rounded_path(const Rect& rect, double radius);

  private:
    void set_color(Color color);
    cairo_t* m_cr;
};

// Clips painting to a (rounded) rectangle for the lifetime of the guard; nests.
class ClipScope {
  public:
    ClipScope(cairo_t* cr, const Rect& rect, double radius = 0);
    ~ClipScope();
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

  private:
    cairo_t* m_cr;
};

// Multiplies the alpha of everything painted inside the scope by `alpha` (composited as one
// group, so overlapping shapes do not darken each other).
class AlphaScope {
  public:
    AlphaScope(cairo_t* cr, double alpha);
    ~AlphaScope();
    AlphaScope(const AlphaScope&) = delete;
    AlphaScope& operator=(const AlphaScope&) = delete;

  private:
    cairo_t* m_cr;
    double m_alpha;
};

namespace surface {

// The hairline edge colour to draw on top of `background`: the theme's edge composited over it.
Color edge_on(const Theme& theme, Color background);

// Fills `rect` with the window surface and draws a hairline edge along its top.
void fill_window(Painter& painter, const Theme& theme, const Rect& rect);

} // namespace surface

namespace presence {

// A stable colour for a person, derived from the id's bytes alone, so every replica and every
// theme agrees on it. Saturated and mid-light: callers adjust it for contrast where needed.
Color user_color(std::string_view person_id);

} // namespace presence

} // namespace ruvo_ui
