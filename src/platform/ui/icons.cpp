#include "platform/ui/icons.h"

#include <algorithm>
#include <cairo.h>
#include <numbers>

namespace ruvo_ui {

void draw_icon(cairo_t* cr, Icon icon, const Rect& box, Color color)
{
    if (icon == Icon::None || box.empty())
        return;
    double s = std::min(box.width(), box.height());
    double cx = (box.x0 + box.x1) / 2, cy = (box.y0 + box.y1) / 2;
    // Icons are designed on a 16-unit grid centred on the box.
    auto X = [&](double u) { return cx + (u - 8) * s / 16; };
    auto Y = [&](double u) { return cy + (u - 8) * s / 16; };
    cairo_save(cr);
    cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
    cairo_set_line_width(cr, std::max(1.2, s / 11));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    auto seg = [&](double x0, double y0, double x1, double y1) {
        cairo_move_to(cr, X(x0), Y(y0));
        cairo_line_to(cr, X(x1), Y(y1));
    };
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Edit:
        seg(3, 13, 4, 10);
        cairo_line_to(cr, X(11), Y(3));
        cairo_line_to(cr, X(13), Y(5));
        cairo_line_to(cr, X(6), Y(12));
        cairo_close_path(cr);
        seg(9.5, 4.5, 11.5, 6.5);
        break;
    case Icon::Delete:
        seg(3, 4.5, 13, 4.5);
        seg(6.5, 4.5, 6.5, 2.8);
        cairo_line_to(cr, X(9.5), Y(2.8));
        cairo_line_to(cr, X(9.5), Y(4.5));
        seg(4.5, 4.5, 5.3, 13.5);
        cairo_line_to(cr, X(10.7), Y(13.5));
        cairo_line_to(cr, X(11.5), Y(4.5));
        seg(7, 7, 7, 11);
        seg(9, 7, 9, 11);
        break;
    case Icon::ArrowUp:
        seg(8, 13, 8, 3);
        seg(4, 7, 8, 3);
        cairo_line_to(cr, X(12), Y(7));
        break;
    case Icon::ArrowDown:
        seg(8, 3, 8, 13);
        seg(4, 9, 8, 13);
        cairo_line_to(cr, X(12), Y(9));
        break;
    case Icon::Add:
        seg(8, 3, 8, 13);
        seg(3, 8, 13, 8);
        break;
    case Icon::Collapse:
        seg(4, 6, 8, 10);
        cairo_line_to(cr, X(12), Y(6));
        break;
    case Icon::Archive:
        cairo_rectangle(cr, X(2.5), Y(3), 11 * s / 16, 3 * s / 16);
        seg(3.5, 6, 3.5, 13);
        cairo_line_to(cr, X(12.5), Y(13));
        cairo_line_to(cr, X(12.5), Y(6));
        seg(6.5, 8.5, 9.5, 8.5);
        break;
    case Icon::Pin:
        seg(8, 10, 8, 14);
        seg(4, 10, 12, 10);
        seg(5.5, 10, 6, 3);
        cairo_line_to(cr, X(10), Y(3));
        cairo_line_to(cr, X(10.5), Y(10));
        break;
    case Icon::Folder:
        seg(2, 4, 6, 4);
        cairo_line_to(cr, X(7.5), Y(5.5));
        cairo_line_to(cr, X(14), Y(5.5));
        cairo_line_to(cr, X(14), Y(13));
        cairo_line_to(cr, X(2), Y(13));
        cairo_close_path(cr);
        break;
    case Icon::Hash:
        seg(6, 2.5, 5, 13.5);
        seg(11, 2.5, 10, 13.5);
        seg(3, 6, 13.5, 6);
        seg(2.5, 10, 13, 10);
        break;
    case Icon::Speaker:
        seg(2.5, 6, 5, 6);
        cairo_line_to(cr, X(8.5), Y(3));
        cairo_line_to(cr, X(8.5), Y(13));
        cairo_line_to(cr, X(5), Y(10));
        cairo_line_to(cr, X(2.5), Y(10));
        cairo_close_path(cr);
        cairo_new_sub_path(cr);
        cairo_arc(cr, X(8.5), Y(8), 3.5 * s / 16, -std::numbers::pi / 4, std::numbers::pi / 4);
        break;
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace ruvo_ui
