#include "world/geometry.hpp"

#include <cmath>

namespace kueruma::world {

int pointInRotatedRect(double px, double py, double x, double y, double width, double height,
                       double angle) {
    const double dx = px - x;
    const double dy = py - y;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double u = dx * c + dy * s;
    const double v = dy * c - dx * s;
    return (0 < u && u < width && 0 < v && v < height) ? 1 : 0;
}

namespace {

struct Corners {
    double x[4];
    double y[4];
};

// C0 origin, C1 end of the width side, C2 end of the height side, C3 opposite the origin.
Corners cornersOf(double x, double y, double w, double h, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return {{x, x + w * c, x - h * s, x + w * c - h * s},
            {y, y + w * s, y + h * c, y + w * s + h * c}};
}

} // namespace

int rotatedRectsOverlap(double ax, double ay, double aw, double ah, double aAngle, double bx,
                        double by, double bw, double bh, double bAngle) {
    const Corners a = cornersOf(ax, ay, aw, ah, aAngle);
    const Corners b = cornersOf(bx, by, bw, bh, bAngle);
    // A's origin side answers 1, its far side 2; any corner of B inside A answers 1.
    static constexpr int aCornerResult[4] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        if (pointInRotatedRect(a.x[i], a.y[i], bx, by, bw, bh, bAngle)) return aCornerResult[i];
    }
    for (int i = 0; i < 4; ++i) {
        if (pointInRotatedRect(b.x[i], b.y[i], ax, ay, aw, ah, aAngle)) return 1;
    }
    return 0;
}

int rotatedRectsOverlap(const RotatedRect& a, const RotatedRect& b) {
    return rotatedRectsOverlap(a.x, a.y, a.width, a.height, a.angle, b.x, b.y, b.width, b.height,
                               b.angle);
}

double rotateAboutX(double px, double py, double cx, double cy, double angle) {
    return cx + std::cos(angle) * (px - cx) - std::sin(angle) * (py - cy);
}

double rotateAboutY(double px, double py, double cx, double cy, double angle) {
    return cy + std::sin(angle) * (px - cx) + std::cos(angle) * (py - cy);
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
