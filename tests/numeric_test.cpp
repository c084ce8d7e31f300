// Our sine, cosine and hypot, rounded to the nearest double, checked against long double.
#include "numeric/trig.hpp"
#include "world/geometry.hpp"
#include "world/stages.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <random>
#include <vector>

namespace kueruma {
namespace {

// True when `ours` is `exact` rounded to the nearest double, or when `exact` (good to about
// 2^-63) lies too near the boundary between two doubles for long double to tell.
bool roundsLike(double ours, long double exact) {
    const double nearest = static_cast<double>(exact);
    if (std::bit_cast<std::uint64_t>(ours) == std::bit_cast<std::uint64_t>(nearest)) return true;
    const long double boundary = (static_cast<long double>(ours) + nearest) / 2;
    return std::fabs(exact - boundary) <= std::fabs(exact) * 0x1p-60L;
}

// The figure's and the stages' angles, a few turns of random ones, and random bit patterns
// (every size up to 2^1023).
std::vector<double> angles() {
    std::vector<double> xs;
    for (int k = -96; k <= 96; ++k) {
        for (int d : {3, 4, 6, 12, 24, 48, 96}) xs.push_back(k * world::pi / d);
    }
    for (int s = 0; s < world::stageCount; ++s) {
        for (const world::BlockRow& b : world::stageData(s).rows) xs.push_back(b.angle);
    }
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> turns(-8.0, 8.0);
    for (int i = 0; i < 400000; ++i) xs.push_back(turns(random));
    for (int i = 0; i < 100000; ++i) {
        const double x = std::bit_cast<double>(random());
        if (std::isfinite(x)) xs.push_back(x);
    }
    return xs;
}

TEST(Numeric, SineCosineAndHypotAreRoundedToNearest) {
    int differFromCLibrary = 0;
    const std::vector<double> xs = angles();
    for (double x : xs) {
        const double s = numeric::sin(x);
        const double c = numeric::cos(x);
        ASSERT_TRUE(roundsLike(s, sinl(x))) << std::hexfloat << "sin " << x << " = " << s;
        ASSERT_TRUE(roundsLike(c, cosl(x))) << std::hexfloat << "cos " << x << " = " << c;
        const numeric::SinCos both = numeric::sinCos(x);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(both.sin), std::bit_cast<std::uint64_t>(s)) << x;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(both.cos), std::bit_cast<std::uint64_t>(c)) << x;
        differFromCLibrary += (s != std::sin(x)) + (c != std::cos(x));
    }
    std::cout << "sin and cos differ from the C library's in " << differFromCLibrary << " of "
              << 2 * xs.size() << " values\n";
    // Wide lines ask for the length of whole-pixel steps; any other pair must be right too.
    std::mt19937_64 random(21);
    std::uniform_int_distribution<int> pixels(-5000, 5000);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    for (int i = 0; i < 200000; ++i) {
        const double x = i % 2 == 0 ? pixels(random) : wide(random);
        const double y = i % 2 == 0 ? pixels(random) : wide(random) * 1e-5;
        const long double exact =
            std::sqrt(static_cast<long double>(x) * x + static_cast<long double>(y) * y);
        ASSERT_TRUE(roundsLike(numeric::hypot(x, y), exact)) << x << " " << y;
    }
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(numeric::hypot(3e300, -4e300), 5e300);
    EXPECT_EQ(numeric::hypot(0x3p-1070, 0x4p-1070), 0x5p-1070);
    EXPECT_EQ(numeric::hypot(nan, -inf), inf);
    EXPECT_TRUE(std::isnan(numeric::hypot(nan, 1.0)));
    EXPECT_TRUE(std::signbit(numeric::sin(-0.0)));
    EXPECT_TRUE(std::isnan(numeric::sin(inf)) && std::isnan(numeric::sinCos(-inf).cos));
    EXPECT_TRUE(std::isnan(numeric::cos(nan)));
}

std::uint64_t bitsOf(double x) {
    return std::bit_cast<std::uint64_t>(x);
}

// The usual way (its own reduction below 16 and one rounding test) must give the reference's
// bits everywhere: on the game's angles and the doubles next to them (the multiples of pi/2
// among them are the hardest), next to the table's points and the limits of each way, and on
// a few million random arguments.
TEST(Numeric, SineAndCosineMatchTheReferenceBitForBit) {
    std::vector<double> xs = angles();
    const std::size_t known = xs.size() - 500000;
    for (std::size_t i = 0; i < known; ++i) {
        double up = xs[i];
        double down = xs[i];
        for (int n = 0; n < 4; ++n) {
            up = std::nextafter(up, 20.0);
            down = std::nextafter(down, -20.0);
            xs.insert(xs.end(), {up, down});
        }
    }
    for (double limit : {0x1p-27, 16.0, 0x1p20}) {
        xs.insert(xs.end(),
                  {limit, -limit, std::nextafter(limit, 0.0), -std::nextafter(limit, 0.0)});
    }
    std::mt19937_64 random(31);
    std::uniform_real_distribution<double> game(-16.0, 16.0);
    std::uniform_real_distribution<double> offset(-1e-3, 1e-3);
    std::uniform_int_distribution<int> step(-652, 652);
    std::uniform_int_distribution<int> exponent(-40, 3);
    for (int i = 0; i < 2000000; ++i) xs.push_back(game(random));
    for (int i = 0; i < 500000; ++i)
        xs.push_back(step(random) * (world::pi / 128) + offset(random));
    for (int i = 0; i < 500000; ++i) xs.push_back(std::ldexp(game(random), exponent(random)));
    for (double x : xs) {
        const std::uint64_t s = bitsOf(numeric::reference::sin(x));
        const std::uint64_t c = bitsOf(numeric::reference::cos(x));
        ASSERT_EQ(bitsOf(numeric::sin(x)), s) << std::hexfloat << "sin " << x;
        ASSERT_EQ(bitsOf(numeric::cos(x)), c) << std::hexfloat << "cos " << x;
        const numeric::SinCos both = numeric::sinCos(x);
        ASSERT_EQ(bitsOf(both.sin), s) << std::hexfloat << "sinCos " << x;
        ASSERT_EQ(bitsOf(both.cos), c) << std::hexfloat << "sinCos " << x;
    }
}

} // namespace
} // namespace kueruma
