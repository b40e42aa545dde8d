#include "platform/ui/color.h"

#include <algorithm>
#include <cmath>

namespace ruvo_ui {

static double linear_channel(double c)
{
    c = std::clamp(c, 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

Color mix(Color from, Color to, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Color composite(Color top, Color below)
{
    double a = std::clamp(top.a, 0.0, 1.0);
    return {top.r * a + below.r * (1 - a), top.g * a + below.g * (1 - a),
            top.b * a + below.b * (1 - a), 1.0};
}

double relative_luminance(Color color)
{
    return 0.2126 * linear_channel(color.r) + 0.7152 * linear_channel(color.g) +
           0.0722 * linear_channel(color.b);
}

double contrast_ratio(Color foreground, Color background)
{
    Color bg = background.with_alpha(1);
    double l1 = relative_luminance(composite(foreground, bg));
    double l2 = relative_luminance(bg);
    if (l1 < l2)
        std::swap(l1, l2);
    return (l1 + 0.05) / (l2 + 0.05);
}

Color readable_on(Color foreground, Color background, double min_ratio)
{
    Color fg = composite(foreground, background.with_alpha(1));
    if (contrast_ratio(fg, background) >= min_ratio)
        return fg;
    Color end = relative_luminance(background) < 0.5 ? Color{1, 1, 1, 1} : Color{0, 0, 0, 1};
    if (contrast_ratio(end, background) < min_ratio)
        return end;
    // Contrast grows monotonically along the path to the end colour, so bisect for the nearest
    // colour that reaches the ratio.
    double lo = 0, hi = 1;
    for (int i = 0; i < 24; ++i) {
        double mid = (lo + hi) / 2;
        if (contrast_ratio(mix(fg, end, mid), background) >= min_ratio)
            hi = mid;
        else
            lo = mid;
    }
    return mix(fg, end, hi);
}

} // namespace ruvo_ui
