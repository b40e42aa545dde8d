#include "platform/ui/paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include <cairo.h>

namespace ruvo_ui {

namespace {

Color hsl(double hue, double saturation, double lightness)
{
    double c = (1 - std::abs(2 * lightness - 1)) * saturation;
    double h = std::fmod(hue, 360.0) / 60.0;
    double x = c * (1 - std::abs(std::fmod(h, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (h < 1) {
        r = c, g = x;
    } else if (h < 2) {
        r = x, g = c;
    } else if (h < 3) {
        g = c, b = x;
    } else if (h < 4) {
        g = x, b = c;
    } else if (h < 5) {
        r = x, b = c;
    } else {
        r = c, b = x;
    }
    double m = lightness - c / 2;
    return {r + m, g + m, b + m, 1};
}

} // namespace

void Painter::set_color(Color color)
{
    cairo_set_source_rgba(m_cr, color.r, color.g, color.b, color.a);
}

void Painter::rounded_path(const Rect& rect, double radius)
{
    double w = rect.width(), h = rect.height();
    double r = std::clamp(radius, 0.0, std::max(0.0, std::min(w, h) / 2));
    cairo_new_sub_path(m_cr);
    if (r <= 0) {
        cairo_rectangle(m_cr, rect.x0, rect.y0, w, h);
        return;
    }
    constexpr double pi = std::numbers::pi;
    cairo_arc(m_cr, rect.x1 - r, rect.y0 + r, r, -pi / 2, 0);
    cairo_arc(m_cr, rect.x1 - r, rect.y1 - r, r, 0, pi / 2);
    cairo_arc(m_cr, rect.x0 + r, rect.y1 - r, r, pi / 2, pi);
    cairo_arc(m_cr, rect.x0 + r, rect.y0 + r, r, pi, 3 * pi / 2);
    cairo_close_path(m_cr);
}

void Painter::fill_rect(const Rect& rect, Color color)
{
    if (rect.empty())
        return;
    set_color(color);
    cairo_rectangle(m_cr, rect.x0, rect.y0, rect.width(), rect.height());
    cairo_fill(m_cr);
}

void Painter::stroke_rect(const Rect& rect, Color color, double width)
{
    stroke_rounded(rect, 0, color, width);
}

void Painter::fill_rounded(const Rect& rect, double radius, Color color)
{
    if (rect.empty())
        return;
    set_color(color);
    rounded_path(rect, radius);
    cairo_fill(m_cr);
}

void Painter::stroke_rounded(const Rect& rect, double radius, Color color, double width)
{
    if (rect.empty())
        return;
    set_color(color);
    cairo_set_line_width(m_cr, width);
    rounded_path(rect, radius);
    cairo_stroke(m_cr);
}

void Painter::fill_circle(Point center, double radius, Color color)
{
    if (radius <= 0)
        return;
    set_color(color);
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, center.x, center.y, radius, 0, 2 * std::numbers::pi);
    cairo_fill(m_cr);
}

void Painter::stroke_circle(Point center, double radius, Color color, double width)
{
    if (radius <= 0)
        return;
    set_color(color);
    cairo_set_line_width(m_cr, width);
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, center.x, center.y, radius, 0, 2 * std::numbers::pi);
    cairo_stroke(m_cr);
}

void Painter::line(Point from, Point to, Color color, double width)
{
    set_color(color);
    cairo_set_line_width(m_cr, width);
    cairo_move_to(m_cr, from.x, from.y);
    cairo_line_to(m_cr, to.x, to.y);
    cairo_stroke(m_cr);
}

void Painter::separator_horizontal(double x0, double x1, double y, Color color)
{
    fill_rect({x0, std::floor(y), x1, std::floor(y) + 1}, color);
}

void Painter::separator_vertical(double x, double y0, double y1, Color color)
{
    fill_rect({std::floor(x), y0, std::floor(x) + 1, y1}, color);
}

void Painter::shadow(const Rect& rect, double radius, const Theme& theme, double blur, double strength)
{
    if (rect.empty() || blur <= 0 || strength <= 0)
        return;
    // Concentric rounded layers whose alphas add up to a smooth falloff; the shadow sits a
    // little below the shape, as light from above would cast it.
    constexpr int layers = 7;
    double offset_y = blur * 0.28;
    double total = theme.shadow.a * std::clamp(strength, 0.0, 1.0);
    for (int i = 0; i < layers; ++i) {
        double t = (i + 1.0) / layers; // 1/layers .. 1, outermost first
        double grow = blur * (1 - t) * 0.9;
        Rect r{rect.x0 - grow, rect.y0 - grow + offset_y, rect.x1 + grow, rect.y1 + grow + offset_y};
        double alpha = total * (1.0 / layers) * (0.6 + 0.8 * t * t) / 1.2;
        fill_rounded(r, radius + grow, theme.shadow.with_alpha(alpha));
    }
}

void Painter::card(const Rect& rect, double radius, Color fill, const Theme& theme)
{
    fill_rounded(rect, radius, fill);
    outline(rect, radius, surface::edge_on(theme, fill).with_alpha(theme.edge.a), 1);
}

void Painter::panel_border(const Rect& rect, double radius, const Theme& theme)
{
    outline(rect, radius, theme.edge, 1);
}

void Painter::outline(const Rect& rect, double radius, Color color, double width)
{
    double half = width / 2;
    stroke_rounded(rect.inset(half), std::max(0.0, radius - half), color, width);
}

void Painter::image_cover(const Image& image, const Rect& rect, double radius)
{
    if (image.empty() || rect.empty() || image.pixels.size() < std::size_t(image.width) * image.height)
        return;
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels.data())), CAIRO_FORMAT_ARGB32,
        int(image.width), int(image.height), int(image.width * 4));
    if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(source);
        return;
    }
    double scale = std::max(rect.width() / image.width, rect.height() / image.height);
    double drawn_w = image.width * scale, drawn_h = image.height * scale;
    double x = rect.x0 + (rect.width() - drawn_w) / 2;
    double y = rect.y0 + (rect.height() - drawn_h) / 2;
    cairo_save(m_cr);
    rounded_path(rect, radius);
    cairo_clip(m_cr);
    cairo_translate(m_cr, x, y);
    cairo_scale(m_cr, scale, scale);
    cairo_set_source_surface(m_cr, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(m_cr), scale < 1 ? CAIRO_FILTER_GOOD : CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_PAD);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
    cairo_surface_destroy(source);
}

ClipScope::ClipScope(cairo_t* cr, const Rect& rect, double radius)
    : m_cr(cr)
{
    cairo_save(m_cr);
    Painter(m_cr).rounded_path(rect.empty() ? Rect{} : rect, radius);
    cairo_clip(m_cr);
}

ClipScope::~ClipScope() { cairo_restore(m_cr); }

AlphaScope::AlphaScope(cairo_t* cr, double alpha)
    : m_cr(cr)
    , m_alpha(std::clamp(alpha, 0.0, 1.0))
{
    cairo_push_group(m_cr);
}

AlphaScope::~AlphaScope()
{
    cairo_pop_group_to_source(m_cr);
    cairo_paint_with_alpha(m_cr, m_alpha);
}

namespace surface {

Color edge_on(const Theme& theme, Color background)
{
    return composite(theme.edge, composite(background, theme.window_surface));
}

void fill_window(Painter& painter, const Theme& theme, const Rect& rect)
{
    painter.fill_rect(rect, theme.window_surface);
}

} // namespace surface

namespace presence {

Color user_color(std::string_view person_id)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : person_id) {
        hash ^= c;
        hash *= 16777619u;
    }
    double hue = hash % 360;
    double lightness = 0.56 + ((hash >> 12) % 8) * 0.01;
    return hsl(hue, 0.62, lightness);
}

} // namespace presence

} // namespace ruvo_ui
