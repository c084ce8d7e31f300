// Small conversions every drawing shares: world to client points and grey-level strokes.
#pragma once

#include "seam/canvas.hpp"

#include <climits>

namespace kueruma::render {

// Truncates toward zero; a value beyond the int range (a figure that has flown far off) is
// held at the range's end instead of being undefined.
inline int toPixel(double v) {
    constexpr double lowest = -2147483648.0;
    constexpr double highest = 2147483647.0;
    if (v >= highest) return INT_MAX;
    if (v > lowest) return static_cast<int>(v);
    return INT_MIN; // below the range, or not a number
}

// The window onto the stage: a world x is drawn at truncate(x - scrollX), the difference
// first, then toward zero; a world y at truncate(y).
struct View {
    double scrollX;
    int x(double worldX) const { return toPixel(worldX - scrollX); }
    static int y(double worldY) { return toPixel(worldY); }
};

inline void lineBetween(seam::Canvas& canvas, int x0, int y0, int x1, int y1) {
    canvas.moveTo(x0, y0);
    canvas.lineTo(x1, y1);
}

// A line between two world points.
inline void worldLine(seam::Canvas& canvas, const View& view, double x0, double y0, double x1,
                      double y1) {
    lineBetween(canvas, view.x(x0), View::y(y0), view.x(x1), View::y(y1));
}

} // namespace kueruma::render
