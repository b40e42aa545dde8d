#include "platform/ui/paint.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <unordered_map>

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

// The layered shadow painted directly: concentric rounded layers whose alphas add up to a
// smooth falloff, offset a little downwards as light from above would cast it. Only the part
// outside the rectangle is painted; the card on top covers the rest (and a translucent card is
// not darkened from below).
static void paint_shadow_layers(Painter& painter, cairo_t* cr, const Rect& rect, double radius,
                                Color shadow, double blur, double alpha_total)
{
    constexpr int layers = 7;
    double offset_y = blur * 0.28;
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    for (int i = 0; i < layers; ++i) {
        double t = (i + 1.0) / layers; // outermost first
        double grow = blur * (1 - t) * 0.9;
        Rect r{rect.x0 - grow, rect.y0 - grow + offset_y, rect.x1 + grow,
               rect.y1 + grow + offset_y};
        double alpha = alpha_total * (1.0 / layers) * (0.6 + 0.8 * t * t) / 1.2;
        cairo_set_source_rgba(cr, shadow.r, shadow.g, shadow.b, alpha);
        painter.rounded_path(r, radius + grow);
        painter.rounded_path(rect, radius);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

namespace {

// A shadow rendered once around a small rounded rectangle; any larger one is drawn from it in
// nine pieces (corners as they are, edges and middle stretched), which costs a few blits
// instead of rasterising every layer. One cache per thread, so painting never shares state.
struct ShadowTemplate {
    cairo_surface_t* surface = nullptr;
    double pad = 0;    // logical pixels around the rectangle on each side (bottom: + offset)
    double corner = 0; // logical size of the corner zone inside the rectangle
    double core = 0;   // logical size of the template rectangle
    double scale = 1;  // device pixels per logical pixel
    double bottom_extra = 0;
};

struct ShadowKey {
    long radius, blur, alpha, color, scale;
    bool operator==(const ShadowKey&) const = default;
};

struct ShadowKeyHash {
    std::size_t operator()(const ShadowKey& k) const
    {
        return std::size_t(k.radius * 73856093 ^ k.blur * 19349663 ^ k.alpha * 83492791 ^
                           k.color * 2654435761u ^ k.scale * 40503);
    }
};

struct ShadowCache {
    std::unordered_map<ShadowKey, ShadowTemplate, ShadowKeyHash> entries;
    ~ShadowCache()
    {
        for (auto& [key, t] : entries)
            cairo_surface_destroy(t.surface);
    }
};

constexpr std::size_t shadow_cache_capacity = 64;

const ShadowTemplate* shadow_template(double radius, Color shadow, double blur, double alpha,
                                      double scale)
{
    thread_local ShadowCache cache;
    ShadowKey key{std::lround(radius * 4), std::lround(blur * 4), std::lround(alpha * 1000),
                  std::lround(shadow.r * 255) << 16 | std::lround(shadow.g * 255) << 8 |
                      std::lround(shadow.b * 255),
                  std::lround(scale * 100)};
    if (auto it = cache.entries.find(key); it != cache.entries.end())
        return &it->second;
    if (cache.entries.size() >= shadow_cache_capacity) {
        for (auto& [k, t] : cache.entries)
            cairo_surface_destroy(t.surface);
        cache.entries.clear();
    }
    ShadowTemplate t;
    t.scale = scale;
    t.pad = std::ceil(blur) + 1;
    t.corner = std::ceil(radius) + 1;
    t.core = 2 * t.corner + 2;
    t.bottom_extra = std::ceil(blur * 0.28);
    int w = int(std::ceil((t.core + 2 * t.pad) * scale));
    int h = int(std::ceil((t.core + 2 * t.pad + t.bottom_extra) * scale));
    t.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(t.surface);
    cairo_scale(cr, scale, scale);
    Painter painter(cr);
    paint_shadow_layers(painter, cr, Rect::from_size(t.pad, t.pad, t.core, t.core), radius, shadow,
                        blur, alpha);
    cairo_destroy(cr);
    cairo_surface_flush(t.surface);
    return &cache.entries.emplace(key, t).first->second;
}

// Paints the source rectangle [sx0, sx1) x [sy0, sy1) of `surface` (in template logical units)
// stretched over the destination rectangle.
void blit_piece(cairo_t* cr, cairo_surface_t* surface, double scale, double sx0, double sy0,
                double sx1, double sy1, const Rect& dest)
{
    if (dest.empty() || sx1 <= sx0 || sy1 <= sy0)
        return;
    cairo_save(cr);
    cairo_rectangle(cr, dest.x0, dest.y0, dest.width(), dest.height());
    cairo_clip(cr);
    cairo_translate(cr, dest.x0, dest.y0);
    cairo_scale(cr, dest.width() / (sx1 - sx0) / scale, dest.height() / (sy1 - sy0) / scale);
    cairo_set_source_surface(cr, surface, -sx0 * scale, -sy0 * scale);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
}

} // namespace

void Painter::shadow(const Rect& rect, double radius, const Theme& theme, double blur,
                     double strength)
{
    if (rect.empty() || blur <= 0 || strength <= 0)
        return;
    double alpha = theme.shadow.a * std::clamp(strength, 0.0, 1.0);
    radius = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    double corner = std::ceil(radius) + 1;
    if (rect.width() < 2 * corner + 2 || rect.height() < 2 * corner + 2 || blur > 64) {
        paint_shadow_layers(*this, m_cr, rect, radius, theme.shadow, blur, alpha);
        return;
    }
    double ux = 1, uy = 0;
    cairo_user_to_device_distance(m_cr, &ux, &uy);
    double scale = std::clamp(std::hypot(ux, uy), 0.5, 4.0);
    const ShadowTemplate* t = shadow_template(radius, theme.shadow, blur, alpha, scale);
    double sw = t->core + 2 * t->pad, sh = t->core + 2 * t->pad + t->bottom_extra;
    double sx[4] = {0, t->pad + t->corner, t->pad + t->core - t->corner, sw};
    double sy[4] = {0, t->pad + t->corner, t->pad + t->core - t->corner, sh};
    double left = rect.x0 - t->pad, top = rect.y0 - t->pad;
    double right = rect.x1 + t->pad, bottom = rect.y1 + t->pad + t->bottom_extra;
    double dx[4] = {left, left + sx[1], right - (sw - sx[2]), right};
    double dy[4] = {top, top + sy[1], bottom - (sh - sy[2]), bottom};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            if (row == 1 && col == 1)
                continue; // the middle lies under the card
            blit_piece(m_cr, t->surface, t->scale, sx[col], sy[row], sx[col + 1], sy[row + 1],
                       {dx[col], dy[row], dx[col + 1], dy[row + 1]});
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
    if (rect.empty() || width <= 0)
        return;
    // Filled as a ring between two rounded rectangles: cheaper than a stroke, and it stays
    // inside the rectangle exactly.
    cairo_save(m_cr);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
    set_color(color);
    rounded_path(rect, radius);
    Rect inner = rect.inset(width);
    if (!inner.empty())
        rounded_path(inner, std::max(0.0, radius - width));
    cairo_fill(m_cr);
    cairo_restore(m_cr);
}

void Painter::image_cover(const Image& image, const Rect& rect, double radius)
{
    if (image.empty() || rect.empty() ||
        image.pixels.size() < std::size_t(image.width) * image.height)
        return;
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels.data())),
        CAIRO_FORMAT_ARGB32, int(image.width), int(image.height), int(image.width * 4));
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
    cairo_pattern_set_filter(cairo_get_source(m_cr),
                             scale < 1 ? CAIRO_FILTER_GOOD : CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_PAD);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
    cairo_surface_destroy(source);
}

ClipScope::ClipScope(cairo_t* cr, const Rect& rect, double radius) : m_cr(cr)
{
    cairo_save(m_cr);
    Painter(m_cr).rounded_path(rect.empty() ? Rect{} : rect, radius);
    cairo_clip(m_cr);
}

ClipScope::~ClipScope()
{
    cairo_restore(m_cr);
}

AlphaScope::AlphaScope(cairo_t* cr, double alpha) : m_cr(cr), m_alpha(std::clamp(alpha, 0.0, 1.0))
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
