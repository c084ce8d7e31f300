#include "world/geometry.hpp"

#include "numeric/trig.hpp"

#include <cmath>
#include <initializer_list>

namespace kueruma::world {

namespace {

// Strictly inside, in the rectangle's own frame; the one containment rule of the game.
int pointInside(double px, double py, double x, double y, double width, double height, double c,
                double s) {
    const double dx = px - x;
    const double dy = py - y;
    const double u = dx * c + dy * s;
    const double v = dy * c - dx * s;
    return (0 < u && u < width && 0 < v && v < height) ? 1 : 0;
}

int pointInside(double px, double py, const PreparedRect& r) {
    return pointInside(px, py, r.x, r.y, r.width, r.height, r.c, r.s);
}

// A corner strictly inside a rectangle lies within the bounds of that rectangle's corners; the
// slack covers rounding many times over, so rectangles this far apart can never touch.
bool boundsApart(const PreparedRect& a, const PreparedRect& b) {
    const double slack = a.slack + b.slack;
    return a.maxX + slack < b.minX || b.maxX + slack < a.minX || a.maxY + slack < b.minY ||
           b.maxY + slack < a.minY;
}

double largestMagnitude(std::initializer_list<double> values) {
    double m = 0;
    for (double v : values) m = std::fabs(v) > m ? std::fabs(v) : m;
    return m;
}

} // namespace

int pointInRotatedRect(double px, double py, double x, double y, double width, double height,
                       double angle) {
    const numeric::SinCos t = numeric::sinCos(angle);
    return pointInside(px, py, x, y, width, height, t.cos, t.sin);
}

PreparedRect prepareRect(const RotatedRect& r) {
    return prepareRect(r, numeric::sinCos(r.angle));
}

PreparedRect prepareRect(const RotatedRect& r, numeric::SinCos turn) {
    PreparedRect p{};
    p.x = r.x;
    p.y = r.y;
    p.width = r.width;
    p.height = r.height;
    p.c = turn.cos;
    p.s = turn.sin;
    // C0 origin, C1 end of the width side, C2 end of the height side, C3 opposite the origin.
    const double w = r.width;
    const double h = r.height;
    const double c = p.c;
    const double s = p.s;
    const double xs[4] = {r.x, r.x + w * c, r.x - h * s, r.x + w * c - h * s};
    const double ys[4] = {r.y, r.y + w * s, r.y + h * c, r.y + w * s + h * c};
    p.minX = p.maxX = xs[0];
    p.minY = p.maxY = ys[0];
    for (int i = 0; i < 4; ++i) {
        p.cornerX[i] = xs[i];
        p.cornerY[i] = ys[i];
        p.minX = xs[i] < p.minX ? xs[i] : p.minX;
        p.maxX = xs[i] > p.maxX ? xs[i] : p.maxX;
        p.minY = ys[i] < p.minY ? ys[i] : p.minY;
        p.maxY = ys[i] > p.maxY ? ys[i] : p.maxY;
    }
    p.slack = 1.0 + 1e-9 * largestMagnitude({p.minX, p.maxX, p.minY, p.maxY, w, h});
    return p;
}

int rotatedRectsOverlap(const PreparedRect& a, const PreparedRect& b) {
    if (boundsApart(a, b)) return 0;
    // A's origin side answers 1, its far side 2; any corner of B inside A answers 1.
    static constexpr int aCornerResult[4] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        if (pointInside(a.cornerX[i], a.cornerY[i], b)) return aCornerResult[i];
    }
    for (int i = 0; i < 4; ++i) {
        if (pointInside(b.cornerX[i], b.cornerY[i], a)) return 1;
    }
    return 0;
}

int rotatedRectsOverlap(double ax, double ay, double aw, double ah, double aAngle, double bx,
                        double by, double bw, double bh, double bAngle) {
    return rotatedRectsOverlap(prepareRect({ax, ay, aw, ah, aAngle}),
                               prepareRect({bx, by, bw, bh, bAngle}));
}

int rotatedRectsOverlap(const RotatedRect& a, const RotatedRect& b) {
    return rotatedRectsOverlap(prepareRect(a), prepareRect(b));
}

double rotateAboutX(double px, double py, double cx, double cy, double angle) {
    const numeric::SinCos t = numeric::sinCos(angle);
    return cx + t.cos * (px - cx) - t.sin * (py - cy);
}

double rotateAboutY(double px, double py, double cx, double cy, double angle) {
    const numeric::SinCos t = numeric::sinCos(angle);
    return cy + t.sin * (px - cx) + t.cos * (py - cy);
}

double stepToward(double value, double target, double step) {
    if (value < target) {
        const double r = value + step;
        return r <= target ? r : target;
    }
    const double r = value - step;
    return r >= target ? r : target;
}

} // namespace kueruma::world
