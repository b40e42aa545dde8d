#include "platform/ui/text_renderer.h"

#include "platform/ui/paint.h"
#include "platform/ui/scene.h"
#include "platform/ui/utf8.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <pango/pangocairo.h>

namespace ruvo_ui {

namespace {

// Enough for every label of a busy frame several times over; least recently used entries go
// first when it fills.
constexpr std::size_t cache_capacity = 4096;

// Beyond this a text is shaped up to the limit only: a single message cannot stall a frame.
constexpr std::size_t max_shaped_bytes = 64 * 1024;

PangoWeight pango_weight(int weight)
{
    switch (std::clamp(weight, 0, 3)) {
    case 0:
        return PANGO_WEIGHT_NORMAL;
    case 1:
        return PANGO_WEIGHT_MEDIUM;
    case 2:
        return PANGO_WEIGHT_SEMIBOLD;
    default:
        return PANGO_WEIGHT_BOLD;
    }
}

std::string shapeable(std::string_view text)
{
    if (text.size() > max_shaped_bytes) {
        auto cut = utf8::floor_boundary(text, max_shaped_bytes);
        return utf8::sanitize(text.substr(0, cut)) + "…";
    }
    if (utf8::is_clean(text))
        return std::string(text);
    return utf8::sanitize(text);
}

guint16 channel16(double c)
{
    return static_cast<guint16>(std::lround(std::clamp(c, 0.0, 1.0) * 65535));
}

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};

void set_pango_rgba(cairo_t* cr, Color color)
{
    cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
}

} // namespace

struct TextRenderer::Entry {
    std::unique_ptr<PangoLayout, LayoutDeleter> layout;
    std::uint64_t last_used = 0;
};

TextRenderer::TextRenderer()
    : m_font_map(pango_cairo_font_map_new()), m_context(pango_font_map_create_context(m_font_map))
{
    // Unhinted metrics keep widths proportional to the size, so a layout measured at one scale
    // agrees with what is drawn on a scaled (HiDPI) context.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(m_context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(m_context, FALSE);
}

TextRenderer::~TextRenderer()
{
    m_cache.clear();
    if (m_uncached)
        g_object_unref(m_uncached);
    g_object_unref(m_context);
    g_object_unref(m_font_map);
}

void TextRenderer::set_scale(float scale)
{
    float clamped = std::isfinite(scale) ? std::clamp(scale, 0.25f, 8.0f) : 1.0f;
    m_scale = clamped;
}

void TextRenderer::begin_draw(const Scene& scene)
{
    set_scale(scene.text_scale());
}

void TextRenderer::set_font_family(std::string family)
{
    if (family == m_family)
        return;
    m_family = std::move(family);
    clear_cache();
}

void TextRenderer::set_cache_enabled(bool enabled)
{
    m_cache_enabled = enabled;
    if (!enabled)
        clear_cache();
}

TextCacheStats TextRenderer::cache_stats() const
{
    return {m_cache.size(), m_hits, m_misses};
}

void TextRenderer::clear_cache()
{
    m_cache.clear();
}

void TextRenderer::evict_if_full()
{
    if (m_cache.size() < cache_capacity)
        return;
    // Drop the older half in one pass rather than one entry per insertion.
    std::uint64_t keep_after = m_tick > cache_capacity / 2 ? m_tick - cache_capacity / 2 : 0;
    std::erase_if(m_cache,
                  [keep_after](const auto& item) { return item.second->last_used < keep_after; });
    if (m_cache.size() >= cache_capacity)
        m_cache.clear();
}

PangoLayout* TextRenderer::remember(std::string key, PangoLayout* layout)
{
    if (!m_cache_enabled) {
        if (m_uncached)
            g_object_unref(m_uncached);
        m_uncached = layout;
        return layout;
    }
    evict_if_full();
    auto entry = std::make_unique<Entry>();
    entry->layout.reset(layout);
    entry->last_used = ++m_tick;
    m_cache.emplace(std::move(key), std::move(entry));
    return layout;
}

static PangoFontDescription* font_for(const std::string& family, double pixels, int weight)
{
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, family.c_str());
    pango_font_description_set_weight(desc, pango_weight(weight));
    pango_font_description_set_absolute_size(desc, std::max(1.0, pixels) * PANGO_SCALE);
    return desc;
}

static void apply_style(PangoLayout* layout, const TextStyle& style, double scale)
{
    if (style.wrap_width > 0) {
        pango_layout_set_width(layout, int(style.wrap_width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        if (style.ellipsize_width > 0 && style.max_lines > 0) {
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
            pango_layout_set_height(layout, -style.max_lines);
        }
    } else if (style.ellipsize_width > 0) {
        pango_layout_set_width(layout, int(style.ellipsize_width * PANGO_SCALE));
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        pango_layout_set_single_paragraph_mode(layout, TRUE);
    }
    switch (style.align) {
    case TextAlign::Left:
        break;
    case TextAlign::Center:
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        break;
    case TextAlign::Right:
        pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
        break;
    }
    (void)scale;
}

PangoLayout* TextRenderer::plain_layout(std::string_view text, const TextStyle& style)
{
    double pixels = style.size * m_scale;
    std::string key;
    if (m_cache_enabled) {
        key = fmt::format("p{:.3f}|{}|{:.2f}|{:.2f}|{}|{}|", pixels, style.weight, style.wrap_width,
                          style.ellipsize_width, style.max_lines, int(style.align));
        key.append(text);
        if (auto it = m_cache.find(key); it != m_cache.end()) {
            ++m_hits;
            it->second->last_used = ++m_tick;
            return it->second->layout.get();
        }
    }
    ++m_misses;
    PangoLayout* layout = pango_layout_new(m_context);
    PangoFontDescription* desc = font_for(m_family, pixels, style.weight);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    PangoAttrList* attrs = pango_attr_list_new();
    // Inter's contextual alternates turn "0x68" into "0×68"; text must read as typed.
    pango_attr_list_insert(attrs, pango_attr_font_features_new("calt 0"));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    apply_style(layout, style, m_scale);
    std::string clean = shapeable(text);
    if (style.wrap_width > 0)
        clean = utf8::with_break_opportunities(clean);
    pango_layout_set_text(layout, clean.data(), int(clean.size()));
    return remember(std::move(key), layout);
}

PangoLayout* TextRenderer::layout(std::string_view text, const TextStyle& style)
{
    return plain_layout(text, style);
}

static TextSize size_of(PangoLayout* layout)
{
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return {double(logical.width) / PANGO_SCALE, double(logical.height) / PANGO_SCALE};
}

TextSize TextRenderer::measure(std::string_view text, double size, std::optional<double> wrap_width)
{
    return measure_weighted(text, size, 0, wrap_width);
}

TextSize TextRenderer::measure_weighted(std::string_view text, double size, int weight,
                                        std::optional<double> wrap_width)
{
    TextStyle style;
    style.size = size;
    style.weight = weight;
    style.wrap_width = wrap_width ? std::max(1.0, *wrap_width) : 0;
    return measure_styled(text, style);
}

TextSize TextRenderer::measure_styled(std::string_view text, const TextStyle& style)
{
    return size_of(plain_layout(text, style));
}

double TextRenderer::line_height(double size, int weight)
{
    return measure_weighted("Ag", size, weight).height;
}

double TextRenderer::baseline(double size, int weight)
{
    TextStyle style;
    style.size = size;
    style.weight = weight;
    return double(pango_layout_get_baseline(plain_layout("Ag", style))) / PANGO_SCALE;
}

bool TextRenderer::is_ellipsized(std::string_view text, const TextStyle& style)
{
    return pango_layout_is_ellipsized(plain_layout(text, style));
}

TextSize TextRenderer::draw_text(cairo_t* cr, std::string_view text, Point origin, double size,
                                 Color color)
{
    return draw_text_weighted(cr, text, origin, size, 0, color);
}

TextSize TextRenderer::draw_text_weighted(cairo_t* cr, std::string_view text, Point origin,
                                          double size, int weight, Color color,
                                          std::optional<double> wrap_width)
{
    TextStyle style;
    style.size = size;
    style.weight = weight;
    style.wrap_width = wrap_width ? std::max(1.0, *wrap_width) : 0;
    return draw_styled(cr, text, origin, style, color);
}

TextSize TextRenderer::draw_styled(cairo_t* cr, std::string_view text, Point origin,
                                   const TextStyle& style, Color color)
{
    PangoLayout* layout = plain_layout(text, style);
    cairo_save(cr);
    set_pango_rgba(cr, color);
    cairo_move_to(cr, origin.x, origin.y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    return size_of(layout);
}

TextSize TextRenderer::draw_centered(cairo_t* cr, std::string_view text, const Rect& rect,
                                     double size, int weight, Color color)
{
    TextStyle style;
    style.size = size;
    style.weight = weight;
    style.ellipsize_width = std::max(1.0, rect.width());
    TextSize measured = size_of(plain_layout(text, style));
    Point origin{rect.x0 + (rect.width() - measured.width) / 2,
                 rect.y0 + (rect.height() - measured.height) / 2};
    return draw_styled(cr, text, origin, style, color);
}

PangoLayout* TextRenderer::rich_layout(const RichTextLayout& rich, double size, double wrap_width)
{
    double pixels = size * m_scale;
    std::string key;
    if (m_cache_enabled) {
        key = fmt::format("r{:.3f}|{:.2f}|", pixels, wrap_width);
        for (const auto& span : rich.spans()) {
            key += fmt::format("{}:{:.3f},{:.3f},{:.3f},{:.3f}:{}:", span.text.size(), span.color.r,
                               span.color.g, span.color.b, span.color.a, span.weight);
            key += span.text;
        }
        if (auto it = m_cache.find(key); it != m_cache.end()) {
            ++m_hits;
            it->second->last_used = ++m_tick;
            return it->second->layout.get();
        }
    }
    ++m_misses;
    PangoLayout* layout = pango_layout_new(m_context);
    PangoFontDescription* desc = font_for(m_family, pixels, 0);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_font_features_new("calt 0"));
    std::string text;
    for (const auto& span : rich.spans()) {
        if (text.size() + span.text.size() > max_shaped_bytes)
            break;
        auto start = guint(text.size());
        text += wrap_width > 0 ? utf8::with_break_opportunities(span.text) : span.text;
        auto end = guint(text.size());
        PangoAttribute* fg = pango_attr_foreground_new(
            channel16(span.color.r), channel16(span.color.g), channel16(span.color.b));
        fg->start_index = start;
        fg->end_index = end;
        pango_attr_list_insert(attrs, fg);
        PangoAttribute* alpha = pango_attr_foreground_alpha_new(channel16(span.color.a));
        alpha->start_index = start;
        alpha->end_index = end;
        pango_attr_list_insert(attrs, alpha);
        if (span.weight != 0) {
            PangoAttribute* w = pango_attr_weight_new(pango_weight(span.weight));
            w->start_index = start;
            w->end_index = end;
            pango_attr_list_insert(attrs, w);
        }
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    if (wrap_width > 0) {
        pango_layout_set_width(layout, int(wrap_width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    pango_layout_set_text(layout, text.data(), int(text.size()));
    return remember(std::move(key), layout);
}

TextSize TextRenderer::measure_rich(const RichTextLayout& rich, double size,
                                    std::optional<double> wrap_width)
{
    return size_of(rich_layout(rich, size, wrap_width ? std::max(1.0, *wrap_width) : 0));
}

TextSize TextRenderer::draw_rich(cairo_t* cr, const RichTextLayout& rich, Point origin, double size,
                                 std::optional<double> wrap_width)
{
    PangoLayout* layout = rich_layout(rich, size, wrap_width ? std::max(1.0, *wrap_width) : 0);
    Painter painter(cr);
    // Highlights first, one rounded box per line piece of each highlighted span.
    int offset = 0;
    for (const auto& span : rich.spans()) {
        auto shaped_size =
            wrap_width > 0 ? utf8::with_break_opportunities(span.text).size() : span.text.size();
        int start = offset, end = offset + int(shaped_size);
        offset = end;
        if (!span.background)
            continue;
        PangoLayoutIter* iter = pango_layout_get_iter(layout);
        do {
            PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
            if (line->start_index >= end || line->start_index + line->length <= start)
                continue;
            int* ranges = nullptr;
            int n = 0;
            pango_layout_line_get_x_ranges(line, std::max(start, line->start_index),
                                           std::min(end, line->start_index + line->length), &ranges,
                                           &n);
            int y0 = 0, y1 = 0;
            pango_layout_iter_get_line_yrange(iter, &y0, &y1);
            PangoRectangle line_logical;
            pango_layout_iter_get_line_extents(iter, nullptr, &line_logical);
            for (int i = 0; i < n; ++i) {
                double x0 = origin.x + double(ranges[2 * i]) / PANGO_SCALE - 2;
                double x1 = origin.x + double(ranges[2 * i + 1]) / PANGO_SCALE + 2;
                Rect box{x0, origin.y + double(y0) / PANGO_SCALE, x1,
                         origin.y + double(y1) / PANGO_SCALE};
                painter.fill_rounded(box, 4, *span.background);
            }
            g_free(ranges);
        } while (pango_layout_iter_next_line(iter));
        pango_layout_iter_free(iter);
    }
    cairo_save(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_move_to(cr, origin.x, origin.y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    return size_of(layout);
}

} // namespace ruvo_ui
