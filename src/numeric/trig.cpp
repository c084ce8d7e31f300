#include "numeric/trig.hpp"

#include "numeric/double_double.hpp"
#include "numeric/trig_tables.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kueruma::numeric {

namespace {

using namespace tables;

constexpr double quarterPi = 0x1.921fb54442d18p-1;
constexpr double tinyArgument = 0x1p-27;
// Below this k pi/2 is taken off in exact pieces; above it, with the bits of 2/pi.
constexpr double mediumArgument = 0x1p20;

// The bits of a double and back (the browser build's C++ library has no bit_cast yet).
std::uint64_t bitsOf(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

double fromBits(std::uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

double magnitude(double x) {
    return x < 0 ? -x : x;
}

// 2^e for e within the normal range.
double powerOfTwo(int e) {
    return fromBits(static_cast<std::uint64_t>(e + 1023) << 52);
}

// x = quadrant * pi/2 + r, modulo a full turn, with |r| at most pi/4 (and a hair).
struct Reduced {
    unsigned quadrant;
    DoubleDouble r;
};

// Cody and Waite: k pi/2 taken off in pieces whose products with k are exact.
Reduced reduceMedium(double x) {
    constexpr double roundingShift = 0x1.8p52;
    const double k = (x * twoOverPi + roundingShift) - roundingShift;
    const double a = x - k * halfPi1; // exact: both within a factor 2 of each other
    const DoubleDouble s = twoSum(a, -(k * halfPi2));
    const DoubleDouble t = twoSum(s.hi, -(k * halfPi3));
    const double tail = (s.lo + t.lo) - k * halfPi4;
    return {static_cast<unsigned>(k), twoSum(t.hi, tail)};
}

// Payne and Hanek: x = m 2^q, and m times the bits of 2/pi that matter (the earlier ones
// only add whole turns) gives the quadrant and the fraction of a quadrant past it, in whole
// numbers of 32-bit limbs, so the work is exact.
constexpr int productWords = 9;
constexpr int limbCount = productWords + 2;
using Limbs = std::uint64_t[limbCount + 1]; // 32 bits each, the lowest first

// m times the words of 2/pi from `first` on, as one whole number.
void multiplyByTwoOverPi(std::uint64_t m, int first, Limbs& limb) {
    const std::uint64_t mLow = m & 0xFFFFFFFF;
    const std::uint64_t mHigh = m >> 32;
    for (int i = 0; i < productWords; ++i) {
        const std::uint64_t word = twoOverPiWords[first + i];
        const int at = productWords - 1 - i;
        const std::uint64_t low = mLow * word;
        const std::uint64_t high = mHigh * word;
        limb[at] += low & 0xFFFFFFFF;
        limb[at + 1] += (low >> 32) + (high & 0xFFFFFFFF);
        limb[at + 2] += high >> 32;
    }
    for (int i = 0; i < limbCount; ++i) {
        limb[i + 1] += limb[i] >> 32;
        limb[i] &= 0xFFFFFFFF;
    }
}

// The lowest `bits` bits of the number, as a fraction of 2^bits.
DoubleDouble fractionOf(const Limbs& limb, int bits) {
    DoubleDouble fraction{0, 0};
    for (int i = bits / 32; i >= 0; --i) {
        const double part = static_cast<double>(limb[i]) * powerOfTwo(32 * i - bits);
        fraction = add(fraction, {part, 0});
    }
    return fraction;
}

Reduced reduceLarge(double x) {
    const std::uint64_t bits = bitsOf(x);
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int q = static_cast<int>(bits >> 52) - 1075;
    const int first = q >= 34 ? (q - 2) / 32 : 0;
    const int fractionBits = 32 * (first + productWords) - q;
    Limbs limb = {};
    multiplyByTwoOverPi(m, first, limb);
    const int top = fractionBits / 32;
    const std::uint64_t topMask = (std::uint64_t{1} << (fractionBits % 32)) - 1;
    const auto bitAt = [&](int n) { return (limb[n / 32] >> (n % 32)) & 1; };
    unsigned quadrant = static_cast<unsigned>(bitAt(fractionBits) | (bitAt(fractionBits + 1) << 1));
    limb[top] &= topMask;
    // Past half a quadrant, r is negative: the distance back from the next quadrant.
    const bool past = bitAt(fractionBits - 1) != 0;
    if (past) {
        ++quadrant;
        std::uint64_t borrow = 1;
        for (int i = 0; i <= top; ++i) {
            limb[i] = (~limb[i] & 0xFFFFFFFF) + borrow;
            borrow = limb[i] >> 32;
            limb[i] &= 0xFFFFFFFF;
        }
        limb[top] &= topMask;
    }
    const DoubleDouble r = multiply(fractionOf(limb, fractionBits), {halfPiHi, halfPiLo});
    return {quadrant, past ? negate(r) : r};
}

// x must be finite and not negative.
Reduced reduce(double x) {
    if (x <= quarterPi) return {0, {x, 0}};
    if (x < mediumArgument) return reduceMedium(x);
    return reduceLarge(x);
}

// The rare argument whose quick value lies too near a rounding boundary: Taylor series in
// double-double arithmetic, to about 2^-100 for |r| <= pi/4.
constexpr int seriesTerms = 15;

DoubleDouble series(DoubleDouble r, int firstPower) {
    const DoubleDouble z = multiply(r, r);
    const auto term = [&](int n) {
        const int power = firstPower + 2 * n;
        const DoubleDouble c{inverseFactorial[power][0], inverseFactorial[power][1]};
        return n % 2 == 0 ? c : negate(c);
    };
    DoubleDouble sum = term(seriesTerms - 1);
    for (int n = seriesTerms - 2; n >= 0; --n) sum = add(multiply(sum, z), term(n));
    return sum;
}

// sin(quadrant pi/2 + r)
double sinInQuadrant(unsigned quadrant, DoubleDouble r) {
    const DoubleDouble v = (quadrant & 1) != 0 ? series(r, 0) : multiply(r, series(r, 1));
    return (quadrant & 2) != 0 ? -v.hi : v.hi;
}

bool finite(double x) {
    return magnitude(x) <= std::numeric_limits<double>::max();
}

double accurateSin(double x) {
    if (!finite(x)) return x - x;
    const Reduced red = reduce(magnitude(x));
    const double v = sinInQuadrant(red.quadrant, red.r);
    return x < 0 ? -v : v;
}

double accurateCos(double x) {
    if (!finite(x)) return x - x;
    const Reduced red = reduce(magnitude(x));
    return sinInQuadrant(red.quadrant + 1, red.r); // cos x = sin(x + pi/2)
}

// The quick way, for |x| below 2^20: x = k pi/128 + r with |r| <= pi/256, the sine and cosine
// of k pi/128 from the table, and sin r - r and cos r - 1 from short series (their terms fall
// below 2^-13 of the whole), all to about 2^-65. Inlined into sin, cos and sinCos: they sit in
// the game's innermost loops.
constexpr double quickLimit = 0x1p20;

struct Step {
    const SinCosPair* at;
    double rHead; // r's first 26 bits: its products with the table's heads are exact
    double rTail; // the rest of r
    double r;
    double sinTail;
    double cosTail;
    double reductionError;
};

// k = x 128/pi rounded to a whole number, and the table's entry for k pi/128.
struct NearestStep {
    double k;
    const SinCosPair* at;
};

[[gnu::always_inline]] inline NearestStep nearestStep(double x) {
    constexpr double roundingShift = 0x1.8p52;
    const double t = x * stepsPerRadian + roundingShift;
    // The low bits of t are k, in two's complement: k modulo a full turn picks the entry.
    return {t - roundingShift, &atStep[static_cast<unsigned>(bitsOf(t)) % stepCount]};
}

[[gnu::always_inline]] inline Step step(double x) {
    const auto [k, at] = nearestStep(x);
    const double a = x - k * step1; // exact: both within a factor 2 of each other
    const DoubleDouble rough = twoSum(a, -(k * step2)); // exact
    const DoubleDouble finer = twoSum(rough.hi, -(k * step3));
    const DoubleDouble r = twoSum(finer.hi, (rough.lo + finer.lo) - k * step4);
    const DoubleDouble parts = split(r.hi);
    const double z = r.hi * r.hi;
    const auto c = [](int n) { return inverseFactorial[n][0]; };
    const double sinTail = r.hi * z * (-c(3) + z * (c(5) - z * c(7)));
    const double cosTail = z * (-c(2) + z * (c(4) + z * (-c(6) + z * c(8))));
    // Each k pi/128 taken off carries an error below 2^-140.
    return {at, parts.hi, parts.lo + r.lo, r.hi, sinTail, cosTail, magnitude(k) * 0x1p-130};
}

// sin(a + r) = sin a + cos a r + cos a (sin r - r) + sin a (cos r - 1)
[[gnu::always_inline]] inline DoubleDouble quickSin(const Step& s) {
    const SinCosPair& t = *s.at;
    const double low = t.sinRest + t.cosHead * s.rTail + t.cosRest * s.r +
                       ((t.cosHead + t.cosRest) * s.sinTail + (t.sinHead + t.sinRest) * s.cosTail);
    const DoubleDouble sum = twoSum(t.sinHead, t.cosHead * s.rHead);
    return fastTwoSum(sum.hi, sum.lo + low);
}

// cos(a + r) = cos a - sin a r - sin a (sin r - r) + cos a (cos r - 1)
[[gnu::always_inline]] inline DoubleDouble quickCos(const Step& s) {
    const SinCosPair& t = *s.at;
    const double low = t.cosRest - t.sinHead * s.rTail - t.sinRest * s.r +
                       ((t.cosHead + t.cosRest) * s.cosTail - (t.sinHead + t.sinRest) * s.sinTail);
    const DoubleDouble sum = twoSum(t.cosHead, -(t.sinHead * s.rHead));
    return fastTwoSum(sum.hi, sum.lo + low);
}

// True when every value within the quick way's error of y rounds to y.hi.
[[gnu::always_inline]] inline bool roundsSafely(DoubleDouble y, const Step& s) {
    const double bound = 0x1p-62 * magnitude(y.hi) + s.reductionError;
    return y.hi + (y.lo + bound) == y.hi + (y.lo - bound);
}

// The usual way, for |x| below 16 (every angle the game turns by): the same steps with k below
// 2^10, so pi/128 is taken off in three pieces instead of four, and one plain rounding test
// against a bound proved for the whole range:
//  - r = x - k pi/128 is carried as r.hi + rLow to within 2^-106 |r| + 2^-133, |r| <= pi/256;
//  - cos a r is exact in its head (27 by 26 bits) and sin a + that head is exact in two parts;
//  - for sin with sin a nonzero (k not a multiple of 128), |sin x| >= |sin a| / 2 and
//    |sin x| >= 2^-6.35. The errors that scale with sin a (cos r - 1 to 2^-50.7 of itself with
//    its series cut after r^6 / 6!, and four roundings of sums near sin a (cos r - 1), all
//    below 2^-13.7 |sin a|) come to 2^-63.3 |sin a|; the rest (sin r - r to 2^-50 of itself,
//    the table to 2^-81) to 2^-71. Together below 2^-62 |sin x|;
//  - with sin a zero, cos a is +-1 and sin x is +-(r + (sin r - r)), good to 2^-64.9 of itself
//    plus 2^-133, and |r| > 2^-54 for every double below 16 (the nearest to a multiple of
//    pi/2 is 2^-53.86 away).
// cos is the same with the roles of sin a and cos a swapped (the worst seen on 20 million
// arguments: 2^-63.6). So 2^-61 |y| bounds the error with room for the rounding of the test
// itself.
constexpr double nearLimit = 16;
constexpr double nearBound = 0x1p-61;

// The same parts as the quick way's, less its reduction error (bounded once for the range).
[[gnu::always_inline]] inline Step near(double x) {
    const auto [k, at] = nearestStep(x);
    const double a = x - k * nearStep1; // exact: both within a factor 2 of each other
    const DoubleDouble r = twoSum(a, -(k * nearStep2)); // exact
    const double rLow = r.lo - k * nearStep3;
    const DoubleDouble parts = split(r.hi);
    const double z = r.hi * r.hi;
    const auto c = [](int n) { return inverseFactorial[n][0]; };
    const double sinTail = r.hi * z * (-c(3) + z * (c(5) - z * c(7)));
    const double cosTail = z * (-c(2) + z * (c(4) - z * c(6)));
    return {at, parts.hi, parts.lo + rLow, r.hi, sinTail, cosTail, 0};
}

// head + low, when every value within nearBound of it rounds alike; NaN otherwise (never a
// value of sin or cos of a finite argument).
[[gnu::always_inline]] inline double decided(double head, double low) {
    const double bound = nearBound * std::fabs(head);
    return head + (low + bound) == head + (low - bound) ? head + low
                                                        : std::numeric_limits<double>::quiet_NaN();
}

// sin(a + r) = sin a + cos a r + cos a (sin r - r) + sin a (cos r - 1)
[[gnu::always_inline]] inline double nearSin(const Step& s) {
    const SinCosPair& t = *s.at;
    const double low =
        t.sinRest + t.cosHead * s.rTail + t.cosRest * s.r + (t.cos * s.sinTail + t.sin * s.cosTail);
    const double product = t.cosHead * s.rHead;
    const double head = t.sinHead + product; // |sin a| > |product| unless sin a is zero
    return decided(head, (product - (head - t.sinHead)) + low);
}

// cos(a + r) = cos a - sin a r - sin a (sin r - r) + cos a (cos r - 1)
[[gnu::always_inline]] inline double nearCos(const Step& s) {
    const SinCosPair& t = *s.at;
    const double low =
        t.cosRest - t.sinHead * s.rTail - t.sinRest * s.r + (t.cos * s.cosTail - t.sin * s.sinTail);
    const double product = -(t.sinHead * s.rHead);
    const double head = t.cosHead + product;
    return decided(head, (product - (head - t.cosHead)) + low);
}

bool isNaN(double x) {
    return x != x;
}

} // namespace

namespace reference {

// Below 2^-27, sin x rounds to x (keeping the sign of a zero) and cos x to 1. Never inlined
// into the usual way, whose registers and stack frame it would otherwise weigh down.
[[gnu::noinline]] double sin(double x) {
    if (!(magnitude(x) < quickLimit)) return accurateSin(x);
    if (magnitude(x) < tinyArgument) return x;
    const Step s = step(x);
    const DoubleDouble y = quickSin(s);
    return roundsSafely(y, s) ? y.hi : accurateSin(x);
}

[[gnu::noinline]] double cos(double x) {
    if (!(magnitude(x) < quickLimit)) return accurateCos(x);
    if (magnitude(x) < tinyArgument) return 1.0;
    const Step s = step(x);
    const DoubleDouble y = quickCos(s);
    return roundsSafely(y, s) ? y.hi : accurateCos(x);
}

} // namespace reference

// On x86-64 Linux, a second build of the usual way for processors with AVX, picked when the
// program loads: the same IEEE operations (AVX here brings no fused multiply-add), so the same
// bits, in three-operand form, without most of the register copies the older form needs.
#if defined(__x86_64__) && defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#define KUERUMA_ALSO_FOR_AVX [[gnu::target_clones("avx", "default")]]
#else
#define KUERUMA_ALSO_FOR_AVX
#endif

// Below 2^-27, sin x rounds to x (keeping the sign of a zero) and cos x to 1, as in the
// reference: the game's most common angle is 0.
KUERUMA_ALSO_FOR_AVX double sin(double x) {
    if (std::fabs(x) < tinyArgument) return x;
    if (!(std::fabs(x) < nearLimit)) return reference::sin(x);
    const double y = nearSin(near(x));
    return isNaN(y) ? reference::sin(x) : y;
}

KUERUMA_ALSO_FOR_AVX double cos(double x) {
    if (std::fabs(x) < tinyArgument) return 1.0;
    if (!(std::fabs(x) < nearLimit)) return reference::cos(x);
    const double y = nearCos(near(x));
    return isNaN(y) ? reference::cos(x) : y;
}

KUERUMA_ALSO_FOR_AVX SinCos sinCos(double x) {
    if (std::fabs(x) < tinyArgument) return {x, 1.0};
    if (!(std::fabs(x) < nearLimit)) return {reference::sin(x), reference::cos(x)};
    const Step s = near(x);
    const double ys = nearSin(s);
    const double yc = nearCos(s);
    return {isNaN(ys) ? reference::sin(x) : ys, isNaN(yc) ? reference::cos(x) : yc};
}

double hypot(double x, double y) {
    double a = magnitude(x);
    double b = magnitude(y);
    constexpr double infinity = std::numeric_limits<double>::infinity();
    if (a == infinity || b == infinity) return infinity;
    if (a != a || b != b) return a + b;
    if (a < b) {
        const double t = a;
        a = b;
        b = t;
    }
    if (b == 0) return a;
    // Scaled by a power of two so the squares and their rounding errors are normal doubles.
    double scale = 1;
    if (a > 0x1p500) {
        a *= 0x1p-600;
        b *= 0x1p-600;
        scale = 0x1p600;
    } else if (a < 0x1p-500) {
        a *= 0x1p600;
        b *= 0x1p600;
        scale = 0x1p-600;
    }
    const DoubleDouble sum = add(twoProduct(a, a), twoProduct(b, b));
    const double root = std::sqrt(sum.hi); // IEEE: rounded to nearest everywhere
    // One Newton step on the exact remainder sum - root^2 settles the last bit.
    const DoubleDouble square = twoProduct(root, root);
    const double remainder = ((sum.hi - square.hi) - square.lo) + sum.lo;
    return (root + remainder / (2 * root)) * scale;
}

} // namespace kueruma::numeric
