#pragma once
// Text shaping, measuring and drawing over pango. One TextRenderer per window or shot frame,
// used on the UI thread only.
//
// Sizes are the logical-pixel sizes the interface asks for; the renderer multiplies them by
// its text scale (set from the paint context each frame), so measurements come back already
// scaled. Text of any bytes is accepted: invalid UTF-8 and control characters are replaced
// before shaping. Shaped layouts are cached by text, size, weight and width, which is what
// makes a frame of many short labels cheap.

#include "platform/ui/color.h"
#include "platform/ui/geometry.h"
#include "platform/ui/rich_text.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;
typedef struct _cairo cairo_t;

namespace ruvo_ui {

class Scene;

struct TextSize {
    double width = 0;
    double height = 0;

    bool operator==(const TextSize&) const = default;
};

enum class TextAlign {
    Left,
    Center,
    Right,
};

// How one run of text is shaped. Weight: 0 regular, 1 medium, 2 semibold, 3 bold.
struct TextStyle {
    double size = 14;
    int weight = 0;
    // Wrap at word (then character) boundaries to this width; 0 = one line per paragraph.
    double wrap_width = 0;
    // Shorten with "…" to this width (single line, or the last of max_lines); 0 = never.
    double ellipsize_width = 0;
    // With wrap_width and ellipsize_width: at most this many lines; 0 = no limit.
    int max_lines = 0;
    TextAlign align = TextAlign::Left;
};

struct TextCacheStats {
    std::size_t entries = 0;
    std::uint64_t hits = 0;
    std::uint64_t misses = 0;
};

class TextRenderer {
  public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    PangoContext* context() const { return m_context; }

    // The user's text scale `z`; every size handed in is multiplied by it. Values outside
    // [0.25, 8] are clamped.
    void set_scale(float scale);
    float scale() const { return m_scale; }
    // Reads the text scale from the paint context; call at the start of a draw.
    void begin_draw(const Scene& scene);

    // The UI font family (fallback to the symbol and colour-emoji fonts is automatic).
    void set_font_family(std::string family);

    TextSize measure(std::string_view text, double size,
                     std::optional<double> wrap_width = std::nullopt);
    TextSize measure_weighted(std::string_view text, double size, int weight,
                              std::optional<double> wrap_width = std::nullopt);
    TextSize measure_styled(std::string_view text, const TextStyle& style);
    // Height of one line of "Ag" at the size and weight.
    double line_height(double size, int weight = 0);
    // Distance from the top of the first line to its baseline.
    double baseline(double size, int weight = 0);
    // Whether the text had to be shortened to fit the style's ellipsize width.
    bool is_ellipsized(std::string_view text, const TextStyle& style);

    // Draw with the top-left of the text at `origin`; returns the size drawn.
    TextSize draw_text(cairo_t* cr, std::string_view text, Point origin, double size, Color color);
    TextSize draw_text_weighted(cairo_t* cr, std::string_view text, Point origin, double size,
                                int weight, Color color,
                                std::optional<double> wrap_width = std::nullopt);
    TextSize draw_styled(cairo_t* cr, std::string_view text, Point origin, const TextStyle& style,
                         Color color);
    // Draws the text centred in `rect` (one line, ellipsized to the rectangle's width).
    TextSize draw_centered(cairo_t* cr, std::string_view text, const Rect& rect, double size,
                           int weight, Color color);

    TextSize measure_rich(const RichTextLayout& rich, double size,
                          std::optional<double> wrap_width = std::nullopt);
    // Spans with a background get a rounded highlight behind their glyphs.
    TextSize draw_rich(cairo_t* cr, const RichTextLayout& rich, Point origin, double size,
                       std::optional<double> wrap_width = std::nullopt);

    // The shaped layout for `text` (cleaned as described above), owned by the cache and valid
    // until the next call on this renderer. Text inputs use it for caret and hit positions.
    PangoLayout* layout(std::string_view text, const TextStyle& style);

    // Turning the cache off makes every call shape afresh (a reference for benchmarks).
    void set_cache_enabled(bool enabled);
    TextCacheStats cache_stats() const;
    void clear_cache();

  private:
    struct Entry;
    PangoLayout* plain_layout(std::string_view text, const TextStyle& style);
    PangoLayout* rich_layout(const RichTextLayout& rich, double size, double wrap_width);
    PangoLayout* remember(std::string key, PangoLayout* layout);
    void evict_if_full();

    PangoFontMap* m_font_map = nullptr;
    PangoContext* m_context = nullptr;
    std::string m_family = "Inter";
    float m_scale = 1.0f;
    bool m_cache_enabled = true;
    std::unordered_map<std::string, std::unique_ptr<Entry>> m_cache;
    PangoLayout* m_uncached = nullptr;
    std::uint64_t m_tick = 0;
    std::uint64_t m_hits = 0;
    std::uint64_t m_misses = 0;
};

} // namespace ruvo_ui
