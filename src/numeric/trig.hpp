// Sine, cosine and the length of a vector, computed by this project from plain IEEE double
// additions, multiplications and square roots, so every compiler, optimisation level and C
// library (glibc, MinGW's, Emscripten's) gives the same bits. sin and cos are rounded to the
// nearest double: below 16 each is first worked out to within 2^-61 of itself and returned when
// that decides the rounding (all but about one in 160); otherwise the reference below works it
// out to about 2^-64, then if need be to about 2^-100. hypot is the square root of the sum of
// squares carried to about 106 bits, then one correcting step.
#pragma once

namespace kueruma::numeric {

struct SinCos {
    double sin;
    double cos;
};

double sin(double x);
double cos(double x);
// Both at once, sharing the reduction: the same bits as sin(x) and cos(x).
SinCos sinCos(double x);

// sqrt(x^2 + y^2) without overflow or underflow on the way.
double hypot(double x, double y);

// The first way sin and cos were worked out here: the one the usual way above falls back on
// when its quick value does not decide the rounding, and the one it must match bit for bit.
namespace reference {
double sin(double x);
double cos(double x);
} // namespace reference

} // namespace kueruma::numeric
