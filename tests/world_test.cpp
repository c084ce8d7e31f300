// Rotated-rectangle geometry, the block pool and the nine stages.
#include "support/game_driver.hpp"

#include "game/game_state.hpp"
#include "world/blocks.hpp"
#include "world/geometry.hpp"
#include "world/stages.hpp"

#include <gtest/gtest.h>

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
    testing::bootGame();
    for (const Block& b : blockPool) {
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
    testing::bootGame();
    loadStage(3);
    blockPool[4].active = false;
    blockPool[4].breakTimer = 17;
    const BlockPool before = blockPool;
    const double goal = game::gameState.goalX;
    for (int bad : {9, 100, -1}) {
        loadStage(bad);
        for (int k = 0; k < poolSize; ++k) {
            EXPECT_EQ(blockPool[k].active, before[k].active);
            EXPECT_EQ(blockPool[k].breakTimer, before[k].breakTimer);
            EXPECT_EQ(blockPool[k].x, before[k].x);
        }
        EXPECT_EQ(game::gameState.goalX, goal);
        EXPECT_EQ(game::gameState.clearPoint, 1900);
    }
}

TEST(Blocks, ReplayingAStageBringsEveryBlockBack) {
    testing::bootGame();
    loadStage(6);
    loadStage(0);
    for (int k = 0; k < 10; ++k) blockPool[k].active = false;
    blockPool[3].breakTimer = 0;
    loadStage(0);
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
