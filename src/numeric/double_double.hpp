// Numbers carried as the unevaluated sum of two doubles, for about 106 bits of precision, from
// plain IEEE additions and multiplications only. Each step is exact or rounds the same way on
// every compiler, provided nothing is contracted into a fused multiply-add (the build forbids
// it, and these routines never rely on one).
#pragma once

namespace kueruma::numeric {

struct DoubleDouble {
    double hi;
    double lo;
};

// a + b exactly, when |a| >= |b| or a is zero.
inline DoubleDouble fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly, whatever their sizes.
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bPart = s - a;
    const double aPart = s - bPart;
    return {s, (a - aPart) + (b - bPart)};
}

// a as its first 26 bits plus the rest (Veltkamp's split), for a well inside the double range.
inline DoubleDouble split(double a) {
    constexpr double splitter = 134217729.0; // 2^27 + 1
    const double t = splitter * a;
    const double hi = t - (t - a);
    return {hi, a - hi};
}

// a * b exactly (Dekker's product of the halves), for products well inside the double range.
inline DoubleDouble twoProduct(double a, double b) {
    const DoubleDouble x = split(a);
    const DoubleDouble y = split(b);
    const double p = a * b;
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

inline DoubleDouble add(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble s = twoSum(a.hi, b.hi);
    return fastTwoSum(s.hi, s.lo + (a.lo + b.lo));
}

inline DoubleDouble multiply(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = twoProduct(a.hi, b.hi);
    return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline DoubleDouble negate(DoubleDouble a) {
    return {-a.hi, -a.lo};
}

} // namespace kueruma::numeric
