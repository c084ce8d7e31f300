// The nine stages: each meets its row of the parameter table and its description.
#include "world/stages.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

namespace kueruma {
namespace {

using namespace world;

struct StageParameters {
    double goalX;
    int clearPoint;
    int rotated;
    int minX;
    int maxX;
};

constexpr StageParameters parameters[stageCount] = {
    {4800, 300, 0, 800, 4440},   {3000, 700, 4, 800, 2980},   {2800, 1700, 0, 800, 2640},
    {2800, 1900, 8, 980, 2640},  {2300, 2000, 9, 1105, 2200}, {3800, 1500, 5, 1003, 3700},
    {1400, 2000, 18, 700, 1200}, {1200, 2150, 0, 480, 1040},  {1250, 5470, 15, 460, 1348},
};

const double allowedAngles[] = {
    0.0,
    3.141592653589793 * 0.08333333333333333,
    3.141592653589793 * 0.16666666666666666,
    3.141592653589793 * 0.25,
    3.141592653589793 * 0.5,
    3.141592653589793 * 0.75,
    3.141592653589793 * 0.9166666666666666,
    3.141592653589793 * 1.8333333333333333,
};

TEST(Stages, EveryStageMeetsItsRowOfTheParameterTable) {
    for (int s = 0; s < stageCount; ++s) {
        SCOPED_TRACE("stage index " + std::to_string(s));
        const StageData& stage = stageData(s);
        const StageParameters& p = parameters[s];
        EXPECT_EQ(stage.goalX, p.goalX);
        EXPECT_EQ(stage.clearPoint, p.clearPoint);
        // Whole multiples of 5 make the time-out land on a whole Play tick.
        EXPECT_EQ(std::fmod(stage.goalX, 5.0), 0.0);
        int rotated = 0;
        double minX = 1e9;
        double maxX = -1e9;
        for (const BlockRow& r : stage.rows) {
            if (r.angle != 0.0) ++rotated;
            EXPECT_NE(std::find(std::begin(allowedAngles), std::end(allowedAngles), r.angle),
                      std::end(allowedAngles));
            for (double v : {r.x, r.y, r.width, r.height}) EXPECT_EQ(v, std::round(v));
            EXPECT_GT(r.width, 0);
            EXPECT_GT(r.height, 0);
            const double c = std::cos(r.angle);
            const double sn = std::sin(r.angle);
            for (double x :
                 {r.x, r.x + r.width * c, r.x - r.height * sn, r.x + r.width * c - r.height * sn}) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
        EXPECT_EQ(rotated, p.rotated);
        EXPECT_EQ(std::lround(minX), p.minX);
        EXPECT_EQ(std::lround(maxX), p.maxX);
    }
}

TEST(Stages, StageIndexThreeKeepsStageTwosXFromBlockFourOn) {
    for (int k = 4; k < poolSize; ++k) {
        EXPECT_EQ(stageData(3).rows[k].x, stageData(2).rows[k].x) << "block " << k;
    }
}

TEST(Stages, TheMazeIsAWallThenTwentyFiveBlocksEighteenOfThemDiamonds) {
    const StageData& maze = stageData(6);
    for (int k = 0; k < 5; ++k) {
        const BlockRow& r = maze.rows[k];
        EXPECT_EQ(r.x, 700) << k;
        EXPECT_EQ(r.width, 50) << k;
        EXPECT_EQ(r.height, 50) << k;
        EXPECT_EQ(r.angle, 0.0) << k;
    }
    int diamonds = 0;
    for (int k = 5; k < poolSize; ++k) {
        const BlockRow& r = maze.rows[k];
        if (r.angle == 3.141592653589793 * 0.25) ++diamonds;
        for (double side : {r.width, r.height}) {
            EXPECT_GE(side, 28) << k;
            EXPECT_LE(side, 84) << k;
        }
        const double c = std::cos(r.angle);
        const double sn = std::sin(r.angle);
        for (double x :
             {r.x, r.x + r.width * c, r.x - r.height * sn, r.x + r.width * c - r.height * sn}) {
            EXPECT_GE(std::lround(x), 799) << k;
            EXPECT_LE(std::lround(x), 1200) << k;
        }
    }
    EXPECT_EQ(diamonds, 18);
}

TEST(Stages, TheArcsAreMirrorImagesOfSquaresWithFourBetween) {
    const StageData& arcs = stageData(7);
    for (const BlockRow& r : arcs.rows) {
        EXPECT_EQ(r.width, 40);
        EXPECT_EQ(r.height, 40);
    }
    for (int k = 0; k < 13; ++k) {
        const BlockRow& upper = arcs.rows[k];
        const BlockRow& lower = arcs.rows[13 + k];
        EXPECT_EQ(upper.x, 500 + 40 * k) << k;
        EXPECT_EQ(lower.x, upper.x) << k;
        EXPECT_EQ(lower.y, 360 - upper.y) << k;
        // Down to the middle and back up the same way.
        EXPECT_EQ(upper.y, arcs.rows[12 - k].y) << k;
        if (k > 0 && k <= 6) {
            EXPECT_GE(upper.y, arcs.rows[k - 1].y) << k;
        }
    }
    EXPECT_EQ(arcs.rows[0].y, 0);
    EXPECT_EQ(arcs.rows[6].y, 105);
    for (int k = 26; k < poolSize; ++k) EXPECT_EQ(arcs.rows[k].y, 180) << k;
}

TEST(Stages, TheFirstAndLastStagesAreExactlyAsPublished) {
    const double first[30][4] = {
        {800, 350, 100, 50},  {1000, 350, 100, 50}, {1310, 200, 110, 200}, {1320, 200, 120, 200},
        {1500, 350, 200, 50}, {1800, 320, 100, 50}, {1900, 300, 100, 50},  {2100, 280, 150, 70},
        {2300, 250, 150, 50}, {2500, 100, 150, 50}, {2700, 50, 150, 50},   {3000, 50, 150, 50},
        {3050, 200, 100, 50}, {3200, 0, 50, 100},   {3400, 100, 100, 100}, {3500, 200, 80, 80},
        {3580, 280, 60, 60},  {3640, 340, 40, 40},  {3680, 380, 20, 20},   {4000, 80, 40, 40},
        {4020, 120, 40, 40},  {4030, 160, 40, 40},  {4020, 200, 40, 40},   {4000, 240, 40, 40},
        {4200, 120, 40, 60},  {4240, 125, 40, 60},  {4280, 130, 40, 60},   {4320, 135, 40, 60},
        {4360, 140, 40, 60},  {4400, 145, 40, 60},
    };
    for (int k = 0; k < 30; ++k) {
        const BlockRow& r = stageData(0).rows[k];
        EXPECT_EQ(r.x, first[k][0]);
        EXPECT_EQ(r.y, first[k][1]);
        EXPECT_EQ(r.width, first[k][2]);
        EXPECT_EQ(r.height, first[k][3]);
        EXPECT_EQ(r.angle, 0.0);
    }
    const double quarterTurn = 3.141592653589793 * 0.25;
    const StageData& last = stageData(8);
    EXPECT_EQ(last.rows[0].x, 460);
    EXPECT_EQ(last.rows[0].width, 400);
    for (int k = 1; k < 30; ++k) {
        const BlockRow& r = last.rows[k];
        const int step = k <= 15 ? k : k - 16;
        EXPECT_EQ(r.x, (k <= 15 ? 800 : 1000) + 5 * step) << k;
        EXPECT_EQ(r.y, 100 + 10 * step) << k;
        EXPECT_EQ(r.width, k == 29 ? 400 : 60) << k;
        EXPECT_EQ(r.height, 100);
        EXPECT_EQ(r.angle, k % 2 == 1 ? quarterTurn : 0.0) << k;
    }
}

} // namespace
} // namespace kueruma
