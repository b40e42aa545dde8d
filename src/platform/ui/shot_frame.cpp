#include "platform/ui/shot_frame.h"

#include <cairo.h>
#include <cmath>

#include "platform/crdt/document.h"

namespace ruvo_ui {

namespace {

constexpr std::uint32_t max_side = 16'384;

} // namespace

util::Result<std::unique_ptr<ShotFrame>> ShotFrame::create(std::uint32_t width, std::uint32_t height, Theme theme)
{
    if (width == 0 || height == 0 || width > max_side || height > max_side)
        return util::fail("a shot frame must be between 1x1 and {0}x{0}, not {1}x{2}", max_side, width, height);
    auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width), int(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        auto message = cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return util::fail("cannot create a {}x{} frame: {}", width, height, message);
    }
    return std::unique_ptr<ShotFrame>(new ShotFrame(width, height, theme, surface));
}

ShotFrame::ShotFrame(std::uint32_t width, std::uint32_t height, Theme theme, cairo_surface_t* surface)
    : m_width(width)
    , m_height(height)
    , m_theme(theme)
    , m_surface(surface)
    , m_document(std::make_unique<crdt::Document>())
{
}

ShotFrame::~ShotFrame()
{
    cairo_surface_destroy(m_surface);
}

void ShotFrame::sync(Widget& widget)
{
    widget.sync(*m_document);
    if (m_document->pending_ops() > 0)
        m_document->commit();
}

util::Result<void> ShotFrame::layout(Widget& widget)
{
    auto node = widget.build_layout();
    if (!std::isfinite(node.min_size.width) || !std::isfinite(node.min_size.height))
        return util::fail("layout: the widget asked for a size that is not a number");
    if (node.min_size.width > m_width || node.min_size.height > m_height)
        return util::fail("layout: the widget needs at least {}x{} but the frame is {}x{}", node.min_size.width,
                          node.min_size.height, m_width, m_height);
    Rect rect{0, 0, double(m_width), double(m_height)};
    if (!node.fill)
        rect = Rect{0, 0, node.min_size.width, node.min_size.height};
    widget.apply_layout(rect);
    // A widget that changes its own layout during layout gets a few rounds to settle.
    for (int round = 0; round < 3 && widget.take_layout_dirty(); ++round) {
        widget.build_layout();
        widget.apply_layout(rect);
    }
    return {};
}

void ShotFrame::paint(Widget& widget, bool floating)
{
    cairo_t* cr = cairo_create(m_surface);
    if (!floating) {
        const auto& surface = m_theme.window_surface;
        cairo_set_source_rgba(cr, surface.r, surface.g, surface.b, 1.0);
        cairo_paint(cr);
    }
    Scene scene(cr, Size{double(m_width), double(m_height)}, 1.0, 1.0f);
    if (floating)
        widget.draw_floating_surfaces(scene, m_theme, m_text, 1.0f);
    else
        widget.draw(scene, m_theme, m_text, 1.0f);
    cairo_destroy(cr);
    cairo_surface_flush(m_surface);
}

void ShotFrame::draw(Widget& widget)
{
    paint(widget, false);
}

void ShotFrame::draw_floating_surfaces(Widget& widget)
{
    paint(widget, true);
}

util::Result<void> ShotFrame::write_png(const std::filesystem::path& path) const
{
    // Written beside the target and renamed, so a reader never sees half a picture.
    auto temp = path;
    temp += ".part";
    auto status = cairo_surface_write_to_png(m_surface, temp.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::filesystem::remove(temp);
        return util::fail("cannot write {}: {}", path.string(), cairo_status_to_string(status));
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp);
        return util::fail("cannot write {}: {}", path.string(), ec.message());
    }
    return {};
}

std::uint32_t ShotFrame::pixel(std::uint32_t x, std::uint32_t y) const
{
    auto* data = cairo_image_surface_get_data(m_surface);
    auto stride = cairo_image_surface_get_stride(m_surface);
    return *reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * std::size_t(stride) + x * 4u);
}

} // namespace ruvo_ui
