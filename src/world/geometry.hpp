// The world: rotated-rectangle geometry, the block pool and the nine stages.
#pragma once

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
double rotateAboutX(double px, double py, double cx, double cy, double angle);
double rotateAboutY(double px, double py, double cx, double cy, double angle);
// Moves `value` toward `target` by at most `step`, never past it.
double stepToward(double value, double target, double step);

} // namespace kueruma::world
