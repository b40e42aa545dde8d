#pragma once
// A headless frame: renders the root widget once into an image of a fixed size, with its own
// empty in-memory document, and writes it as a PNG. Used on one thread for one scene.

#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"
#include "platform/ui/widget.h"
#include "platform/util/result.h"

typedef struct _cairo_surface cairo_surface_t;

namespace ruvo_ui {

class ShotFrame {
public:
    // Fails when the size is zero or larger than an image surface can be.
    static util::Result<std::unique_ptr<ShotFrame>> create(std::uint32_t width, std::uint32_t height, Theme theme);
    ~ShotFrame();
    ShotFrame(const ShotFrame&) = delete;
    ShotFrame& operator=(const ShotFrame&) = delete;

    // Runs the widget's frame update against this frame's document and commits what it wrote.
    void sync(Widget& widget);

    // Lays the widget out over the whole frame; an error when it cannot fit.
    util::Result<void> layout(Widget& widget);

    // Paints the window surface and then the widget.
    void draw(Widget& widget);
    void draw_floating_surfaces(Widget& widget);

    util::Result<void> write_png(const std::filesystem::path& path) const;

    crdt::Document& document() { return *m_document; }
    TextRenderer& text() { return m_text; }
    const Theme& theme() const { return m_theme; }
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }

    // The pixel at (x, y) as 0xAARRGGBB, for tests.
    std::uint32_t pixel(std::uint32_t x, std::uint32_t y) const;

private:
    ShotFrame(std::uint32_t width, std::uint32_t height, Theme theme, cairo_surface_t* surface);
    void paint(Widget& widget, bool floating);

    std::uint32_t m_width;
    std::uint32_t m_height;
    Theme m_theme;
    cairo_surface_t* m_surface;
    std::unique_ptr<crdt::Document> m_document;
    TextRenderer m_text;
};

} // namespace ruvo_ui
