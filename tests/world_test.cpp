// Rotated-rectangle geometry, the block pool and the nine stages.
#include "support/game_driver.hpp"

#include "game/play_state.hpp"
#include "world/blocks.hpp"
#include "world/geometry.hpp"
#include "world/stages.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kueruma {
namespace {

using namespace world;

TEST(Geometry, PointsOnEdgesAndCornersAreOutside) {
    EXPECT_EQ(pointInRotatedRect(5, 5, 0, 0, 10, 10, 0), 1);
    EXPECT_EQ(pointInRotatedRect(0, 5, 0, 0, 10, 10, 0), 0);
    EXPECT_EQ(pointInRotatedRect(10, 5, 0, 0, 10, 10, 0), 0);
    EXPECT_EQ(pointInRotatedRect(5, 10, 0, 0, 10, 10, 0), 0);
    EXPECT_EQ(pointInRotatedRect(10, 10, 0, 0, 10, 10, 0), 0);
    EXPECT_EQ(pointInRotatedRect(0, 0, 0, 0, 10, 10, 0), 0);
}

TEST(Geometry, RectanglesWithoutAreaContainNothing) {
    for (double w : {0.0, -10.0}) {
        EXPECT_EQ(pointInRotatedRect(5, 5, 0, 0, w, 10, 0), 0);
        EXPECT_EQ(pointInRotatedRect(5, 5, 0, 0, 10, w, 0), 0);
        EXPECT_EQ(pointInRotatedRect(-5, 5, 0, 0, w, 10, 0), 0);
    }
}

TEST(Geometry, ARotatedRectangleTurnsClockwiseAboutItsOrigin) {
    // A quarter turn sends the width down the screen and the height to the left.
    EXPECT_EQ(pointInRotatedRect(-2, 5, 0, 0, 10, 4, pi / 2), 1);
    EXPECT_EQ(pointInRotatedRect(2, 5, 0, 0, 10, 4, pi / 2), 0);
}

TEST(Geometry, OverlapAnswersByWhichCornerIsFoundFirst) {
    // A's origin corner inside B.
    EXPECT_EQ(rotatedRectsOverlap(5, 5, 10, 10, 0, 0, 0, 10, 10, 0), 1);
    // Only A's far side inside B: A hangs down into B from above.
    EXPECT_EQ(rotatedRectsOverlap(2, -5, 6, 10, 0, 0, 0, 10, 10, 0), 2);
    // The same contact seen from B's side: B's far side is in A, but B is the second
    // rectangle, so it answers 1.
    EXPECT_EQ(rotatedRectsOverlap(0, 0, 10, 10, 0, 2, -5, 6, 10, 0), 1);
    // A inside B whole: its origin corner answers first.
    EXPECT_EQ(rotatedRectsOverlap(2, 2, 3, 3, 0, 0, 0, 10, 10, 0), 1);
    // B inside A: found by the second round.
    EXPECT_EQ(rotatedRectsOverlap(0, 0, 10, 10, 0, 2, 2, 3, 3, 0), 1);
}

TEST(Geometry, NoCornerInsideMeansNoContact) {
    EXPECT_EQ(rotatedRectsOverlap(0, 0, 10, 10, 0, 0, 0, 10, 10, 0), 0);     // identical
    EXPECT_EQ(rotatedRectsOverlap(-10, 0, 30, 10, 0, 0, -10, 10, 30, 0), 0); // plus sign
    EXPECT_EQ(rotatedRectsOverlap(0, 0, 10, 10, 0, 10, 0, 10, 10, 0), 0);    // shared edge
    EXPECT_EQ(rotatedRectsOverlap(0, 0, 10, 10, 0, 10, 10, 10, 10, 0), 0);   // corners touch
}

TEST(Geometry, ANegativeHeightBarCanOnlyHitWithItsOwnCorners) {
    // The bar reaches up from (2, 5) into the block above it.
    EXPECT_NE(rotatedRectsOverlap(2, 5, 4, -2, 0, 0, 0, 10, 4, 0), 0);
    // A block wholly inside the bar's span is never found by its corners.
    EXPECT_EQ(rotatedRectsOverlap(0, 5, 20, -4, 0, 5, 2, 2, 2, 0), 0);
}

// The corner-containment test written out directly, with no shortcuts, to hold the fast one to.
int referenceOverlap(const RotatedRect& a, const RotatedRect& b) {
    auto inside = [](double px, double py, const RotatedRect& r) {
        const double dx = px - r.x;
        const double dy = py - r.y;
        const double c = std::cos(r.angle);
        const double s = std::sin(r.angle);
        const double u = dx * c + dy * s;
        const double v = dy * c - dx * s;
        return 0 < u && u < r.width && 0 < v && v < r.height;
    };
    auto corners = [](const RotatedRect& r, double* xs, double* ys) {
        const double c = std::cos(r.angle);
        const double s = std::sin(r.angle);
        const double w = r.width;
        const double h = r.height;
        xs[0] = r.x, ys[0] = r.y;
        xs[1] = r.x + w * c, ys[1] = r.y + w * s;
        xs[2] = r.x - h * s, ys[2] = r.y + h * c;
        xs[3] = r.x + w * c - h * s, ys[3] = r.y + w * s + h * c;
    };
    double ax[4], ay[4], bx[4], by[4];
    corners(a, ax, ay);
    corners(b, bx, by);
    const int aResult[4] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        if (inside(ax[i], ay[i], b)) return aResult[i];
    }
    for (int i = 0; i < 4; ++i) {
        if (inside(bx[i], by[i], a)) return 1;
    }
    return 0;
}

TEST(Geometry, TheQuickRejectNeverChangesAnAnswer) {
    std::mt19937_64 random(12345);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    const double angles[] = {0.0, pi / 12, pi / 4, pi / 2, 11 * pi / 6, -pi / 3, 2.5};
    int contacts = 0;
    for (int i = 0; i < 200000; ++i) {
        // Mostly near each other, sometimes touching by a hair, sometimes far out.
        const double scale = i % 100 == 0 ? 1e15 : 1.0;
        const RotatedRect a{uniform(0, 100) * scale, uniform(0, 100) * scale, uniform(-5, 60),
                            uniform(-5, 60), angles[i % 7]};
        RotatedRect b{uniform(0, 100) * scale, uniform(0, 100) * scale, uniform(-5, 60),
                      uniform(-5, 60), angles[(i / 7) % 7]};
        if (i % 3 == 0) b.x = a.x + a.width + uniform(-1e-9, 1e-9); // edge to edge
        const int expected = referenceOverlap(a, b);
        contacts += expected != 0;
        ASSERT_EQ(rotatedRectsOverlap(a, b), expected) << i;
        ASSERT_EQ(rotatedRectsOverlap(prepareRect(a), prepareRect(b)), expected) << i;
    }
    EXPECT_GT(contacts, 10000);
}

TEST(Geometry, RotationKeepsCentresAndIdentity) {
    EXPECT_EQ(rotateAboutX(3, 4, 1, 1, 0), 3);
    EXPECT_EQ(rotateAboutY(3, 4, 1, 1, 0), 4);
    EXPECT_EQ(rotateAboutX(1, 1, 1, 1, 0.7), 1);
    EXPECT_EQ(rotateAboutY(1, 1, 1, 1, 0.7), 1);
    EXPECT_NEAR(rotateAboutX(2, 0, 0, 0, pi / 2), 0, 1e-12);
    EXPECT_NEAR(rotateAboutY(2, 0, 0, 0, pi / 2), 2, 1e-12);
}

TEST(Geometry, StepTowardNeverPassesItsTarget) {
    EXPECT_EQ(stepToward(5, 5, 1), 5);
    EXPECT_EQ(stepToward(4, 5, 1), 5);
    EXPECT_EQ(stepToward(4.5, 5, 1), 5);
    EXPECT_EQ(stepToward(7, 5, 1), 6);
    EXPECT_EQ(stepToward(5.5, 5, 1), 5);
    EXPECT_EQ(stepToward(3, 5, 1), 4);
}

TEST(Blocks, AFreshProgramHasThirtyActiveBlocksAtTheDefaultGeometry) {
    support::bootGame();
    for (const Block& b : headless::state().blockPool) {
        EXPECT_TRUE(b.active);
        EXPECT_EQ(b.breakTimer, 0);
        EXPECT_EQ(b.x, 200.0);
        EXPECT_EQ(b.y, 70.0);
        EXPECT_EQ(b.width, 90.0);
        EXPECT_EQ(b.height, 100.0);
        EXPECT_EQ(b.angle, 3.141592653589793 * 1.0e-4);
    }
}

TEST(Blocks, LoadingAnIndexOutOfRangeChangesNothing) {
    game::PlayState state;
    BlockPool& blockPool = state.blockPool;
    game::loadStage(state, 3);
    blockPool[4].active = false;
    blockPool[4].breakTimer = 17;
    const BlockPool before = blockPool;
    const double goal = state.gameState.goalX;
    for (int bad : {9, 100, -1}) {
        game::loadStage(state, bad);
        for (int k = 0; k < poolSize; ++k) {
            EXPECT_EQ(blockPool[k].active, before[k].active);
            EXPECT_EQ(blockPool[k].breakTimer, before[k].breakTimer);
            EXPECT_EQ(blockPool[k].x, before[k].x);
        }
        EXPECT_EQ(state.gameState.goalX, goal);
        EXPECT_EQ(state.gameState.clearPoint, 1900);
    }
}

TEST(Blocks, ReplayingAStageBringsEveryBlockBack) {
    game::PlayState state;
    BlockPool& blockPool = state.blockPool;
    game::loadStage(state, 6);
    game::loadStage(state, 0);
    for (int k = 0; k < 10; ++k) blockPool[k].active = false;
    blockPool[3].breakTimer = 0;
    game::loadStage(state, 0);
    const StageData& stage = stageData(0);
    for (int k = 0; k < poolSize; ++k) {
        EXPECT_TRUE(blockPool[k].active);
        EXPECT_EQ(blockPool[k].breakTimer, 50);
        EXPECT_EQ(blockPool[k].x, stage.rows[k].x);
        EXPECT_EQ(blockPool[k].height, stage.rows[k].height);
        EXPECT_EQ(blockPool[k].angle, stage.rows[k].angle);
    }
}

} // namespace
} // namespace kueruma
