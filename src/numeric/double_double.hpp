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

// a * b exactly (Dekker's product: each factor split into halves of 26 bits), for products
// well inside the double range.
inline DoubleDouble twoProduct(double a, double b) {
    constexpr double splitter = 134217729.0; // 2^27 + 1
    const double ta = splitter * a;
    const double aHi = ta - (ta - a);
    const double aLo = a - aHi;
    const double tb = splitter * b;
    const double bHi = tb - (tb - b);
    const double bLo = b - bHi;
    const double p = a * b;
    return {p, ((aHi * bHi - p) + aHi * bLo + aLo * bHi) + aLo * bLo};
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
