#!/usr/bin/env python3
"""Writes src/numeric/trig_tables.hpp: the constants our sine and cosine are built from.

Every value is worked out here with exact integers and rationals (pi from Machin's formula to
1500 bits), so the tables can be made again and checked on any machine:
  tools/numeric/make_tables.py > src/numeric/trig_tables.hpp
"""
from fractions import Fraction
import math

BITS = 1500


def arctan_inverse(n, bits):
    """arctan(1/n) * 2^bits, to within a few units."""
    one = 1 << (bits + 20)
    total, term, k = 0, one // n, 0
    while term:
        total += term // (2 * k + 1) if k % 2 == 0 else -(term // (2 * k + 1))
        term //= n * n
        k += 1
    return total >> 20


PI = Fraction(16 * arctan_inverse(5, BITS) - 4 * arctan_inverse(239, BITS), 1 << BITS)


def to_double(q):
    """The double nearest to the rational q (Python rounds a Fraction correctly)."""
    return float(q)


def double_double(q):
    hi = to_double(q)
    lo = to_double(q - Fraction(hi))
    return hi, lo


def leading_bits(q, bits):
    """q cut to its first `bits` significant bits (toward zero)."""
    if q == 0:
        return Fraction(0)
    e = math.floor(math.log2(abs(q)))
    while Fraction(2) ** e > abs(q):
        e -= 1
    while Fraction(2) ** (e + 1) <= abs(q):
        e += 1
    scale = Fraction(2) ** (bits - 1 - e)
    return Fraction(math.floor(abs(q) * scale)) / scale * (1 if q > 0 else -1)


SCALE = 400


def nearest_bits(q, bits):
    """q rounded to its first `bits` significant bits."""
    if q == 0:
        return Fraction(0)
    e = 0
    while Fraction(2) ** e > abs(q):
        e -= 1
    while Fraction(2) ** (e + 1) <= abs(q):
        e += 1
    scale = Fraction(2) ** (bits - 1 - e)
    return Fraction(round(q * scale)) / scale


def sin_cos(q):
    """sin q and cos q to about 2^-390, for 0 <= q < 7, by Taylor series in fixed point."""
    x = (q.numerator << SCALE) // q.denominator
    one = 1 << SCALE
    s, c, term, n = 0, 0, one, 0
    while term:
        if n % 2 == 0:
            c += term if n % 4 == 0 else -term
        else:
            s += term if n % 4 == 1 else -term
        n += 1
        term = term * x // one // n
    # Rounded to 2^-350, so the exactly known values (sin pi/2 = 1, cos pi/2 = 0) come out exact.
    keep = 50
    return (Fraction((s + (1 << (keep - 1))) >> keep, one >> keep),
            Fraction((c + (1 << (keep - 1))) >> keep, one >> keep))


def hexd(x):
    return float.hex(x)


def pieces(q, bits, count):
    """q as `count` pieces: all but the last cut to `bits` bits (so that their products with a
    short whole number are exact), the last the rest rounded to a double."""
    rest, out = q, []
    for _ in range(count - 1):
        out.append(leading_bits(rest, bits))
        rest -= out[-1]
    out.append(Fraction(to_double(rest)))
    return [float(p) for p in out]


def main():
    half_pi = PI / 2
    out = []
    out.append("// Made by tools/numeric/make_tables.py; do not edit by hand.")
    out.append("#pragma once")
    out.append("")
    out.append("#include <cstdint>")
    out.append("")
    out.append("// clang-format off")
    out.append("namespace kueruma::numeric::tables {")
    out.append("")
    out.append("// pi/2 in four pieces: the first three of 33 bits, so that k times each is exact for")
    out.append("// k below 2^20, and the rest rounded.")
    for i, p in enumerate(pieces(half_pi, 33, 4)):
        out.append(f"constexpr double halfPi{i + 1} = {hexd(p)};")
    hi, lo = double_double(half_pi)
    out.append(f"constexpr double halfPiHi = {hexd(hi)};")
    out.append(f"constexpr double halfPiLo = {hexd(lo)};")
    out.append(f"constexpr double twoOverPi = {hexd(to_double(2 / PI))};")
    out.append("")
    out.append("// The bits of 2/pi after the point, 32 to a word, for arguments too large for the")
    out.append("// pieces above.")
    words = 40
    scaled = math.floor(2 / PI * (1 << (32 * words)))
    ws = [(scaled >> (32 * (words - 1 - i))) & 0xFFFFFFFF for i in range(words)]
    out.append(f"constexpr int twoOverPiWordCount = {words};")
    out.append("constexpr std::uint32_t twoOverPiWords[twoOverPiWordCount] = {")
    for i in range(0, words, 5):
        out.append("    " + " ".join(f"0x{w:08X}," for w in ws[i:i + 5]))
    out.append("};")
    out.append("")
    out.append("// pi/128 in four pieces: the first three of 27 bits, so that k times each is exact for")
    out.append("// k below 2^26, and the rest rounded.")
    step = PI / 128
    for i, p in enumerate(pieces(step, 27, 4)):
        out.append(f"constexpr double step{i + 1} = {hexd(p)};")
    out.append(f"constexpr double stepsPerRadian = {hexd(to_double(128 / PI))};")
    out.append("")
    out.append("// pi/128 in three pieces for the arguments below 16: the first two of 43 bits, so that k")
    out.append("// times each is exact for k below 2^10, and the rest rounded.")
    for i, p in enumerate(pieces(step, 43, 3)):
        out.append(f"constexpr double nearStep{i + 1} = {hexd(p)};")
    out.append("")
    out.append("// sin and cos of k pi/128 for k = 0..255, each as a head of 27 bits (so its product with")
    out.append("// a 26-bit number is exact) plus the rest, to about 2^-80, and each rounded to a double.")
    out.append("struct SinCosPair {")
    out.append("    double sinHead, sinRest, cosHead, cosRest, sin, cos;")
    out.append("};")
    out.append("constexpr int stepCount = 256;")
    out.append("constexpr SinCosPair atStep[stepCount] = {")
    for k in range(256):
        sv, cv = sin_cos(step * k)
        sh = float(nearest_bits(sv, 27))
        ch = float(nearest_bits(cv, 27))
        sl = to_double(sv - Fraction(sh))
        cl = to_double(cv - Fraction(ch))
        out.append(f"    {{{hexd(sh)}, {hexd(sl)}, {hexd(ch)}, {hexd(cl)}, {hexd(to_double(sv))}, "
                   f"{hexd(to_double(cv))}}},")
    out.append("};")
    out.append("")
    out.append("// 1/n! as pairs of doubles, n = 0..31: the Taylor coefficients of sin and cos.")
    out.append("constexpr int inverseFactorialCount = 32;")
    out.append("constexpr double inverseFactorial[inverseFactorialCount][2] = {")
    for n in range(32):
        hi, lo = double_double(Fraction(1, math.factorial(n)))
        out.append(f"    {{{hexd(hi)}, {hexd(lo)}}},")
    out.append("};")
    out.append("")
    out.append("} // namespace kueruma::numeric::tables")
    out.append("// clang-format on")
    print("\n".join(out))


main()
