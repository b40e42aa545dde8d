#pragma once
// Geometry in logical pixels.

#include <algorithm>

namespace ruvo_ui {

struct Point {
    double x = 0;
    double y = 0;

    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;

    bool operator==(const Size&) const = default;
};

// Left, top, right, bottom.
struct Rect {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;

    static Rect from_size(double x, double y, double width, double height) { return {x, y, x + width, y + height}; }

    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    bool contains(Point p) const { return p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1; }
    Rect inset(double d) const { return {x0 + d, y0 + d, x1 - d, y1 - d}; }
    Rect intersect(const Rect& o) const
    {
        return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    }

    bool operator==(const Rect&) const = default;
};

} // namespace ruvo_ui
