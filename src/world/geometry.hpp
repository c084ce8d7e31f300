// The world: rotated-rectangle geometry, the block pool and the nine stages.
#pragma once

#include "numeric/trig.hpp"

namespace kueruma::world {

inline constexpr double pi = 3.141592653589793;

// A rectangle placed by its origin corner, `width` along (cos angle, sin angle) and `height`
// along (-sin angle, cos angle).
struct RotatedRect {
    double x;
    double y;
    double width;
    double height;
    double angle;
};

// 1 when the point lies strictly inside the rectangle; points on an edge are outside.
int pointInRotatedRect(double px, double py, double x, double y, double width, double height,
                       double angle);
// 0 when no corner of either rectangle lies strictly inside the other; 2 when only a far-side
// corner of A lies inside B; 1 for every other contact.
int rotatedRectsOverlap(double ax, double ay, double aw, double ah, double aAngle, double bx,
                        double by, double bw, double bh, double bAngle);
int rotatedRectsOverlap(const RotatedRect& a, const RotatedRect& b);

// A rectangle with its angle's cosine and sine, its corners and their bounds worked out once,
// for a shape tested against many others. Tests on it give exactly the answers above.
struct PreparedRect {
    double x;
    double y;
    double width;
    double height;
    double c;
    double s;
    double cornerX[4];
    double cornerY[4];
    double minX;
    double minY;
    double maxX;
    double maxY;
    // How far rounding may carry a computed point past these bounds.
    double slack;
};

PreparedRect prepareRect(const RotatedRect& r);
// The same, given the sine and cosine of r.angle.
PreparedRect prepareRect(const RotatedRect& r, numeric::SinCos turn);
int rotatedRectsOverlap(const PreparedRect& a, const PreparedRect& b);
double rotateAboutX(double px, double py, double cx, double cy, double angle);
double rotateAboutY(double px, double py, double cx, double cy, double angle);
// Moves `value` toward `target` by at most `step`, never past it.
double stepToward(double value, double target, double step);

} // namespace kueruma::world
