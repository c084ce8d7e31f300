// The rules of play, tick by tick: running, leaning, jumping, kicking, breaking and scoring.
#include "support/game_driver.hpp"

#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "game/game_tick.hpp"
#include "world/blocks.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace kueruma {
namespace {

using support::figure;
using support::gameState;
using world::pi;

struct Keys {
    bool left = false, up = false, right = false, down = false, x = false, z = false;
};

void tickWith(Keys k) {
    gameState.input = {k.left, k.up, k.right, k.down, k.x, k.z};
    game::gameTick(support::playState);
}

class Tick : public ::testing::Test {
  protected:
    // Stage index 0 on its first Play tick, the figure standing on the ground just after a
    // lift (velY 1), far from any block.
    void SetUp() override {
        support::startStageAndSkipIntro(0);
        for (int i = 0; i < 200 && figure.jumpState != figure::OnGround; ++i) tickWith({});
        ASSERT_EQ(figure.jumpState, figure::OnGround);
        ASSERT_EQ(figure.velY, 1.0);
    }

    static void clearBlocks() {
        for (world::Block& b : support::blockPool) b.active = false;
    }
    // A block whose centre is at this point.
    static void placeBlock(int k, double cx, double cy, double w = 20, double h = 20) {
        support::blockPool[k].set(cx - w / 2, cy - h / 2, w, h, 0.0);
    }
    // A small block around the spot where foot A will be after the next tick, clear of the
    // body box above it.
    static void placeBlockUnderFootAfterNextTick(int k, Keys keys) {
        headless::Snapshot* before = headless::newSnapshot();
        tickWith(keys);
        const double footX = figure.jointX[5];
        const double footY = figure.jointY[5];
        headless::restore(*before);
        headless::deleteSnapshot(before);
        support::blockPool[k].set(footX - 2, footY - 1, 4, 3, 0.0);
    }
    // Where the bottom of an upright body box is for the figure's current position.
    static double boxBottomNow() {
        figure::Figure copy = figure;
        copy.applyPose(figure::Stand);
        return copy.boxY + copy.boxHeight;
    }
};

TEST_F(Tick, AStageStartsWithTheFigureFallingAndXDoesNothingUntilItLands) {
    support::startStageAndSkipIntro(0);
    EXPECT_EQ(figure.jumpState, 0);
    const double y = figure.posY;
    tickWith({.x = true});
    EXPECT_EQ(figure.jumpState, 0);
    EXPECT_EQ(figure.posY, y + 3); // velY 1 plus gravity
}

TEST_F(Tick, ARestingFigureAlternatesAboveTheGround) {
    // Put it just after a lift, its box bottom d above the floor.
    const double d = 1.25;
    figure.posY += gameState.groundY - d - boxBottomNow();
    figure.velY = 1.0;
    tickWith({});
    EXPECT_NEAR(gameState.groundY - boxBottomNow(), 3 - d, 1e-9);
}

TEST_F(Tick, AJumpFromTheGroundMovesFourteenThenRisesFifteenThirteen) {
    double y = figure.posY;
    tickWith({.x = true});
    EXPECT_EQ(figure.posY - y, -14);
    EXPECT_EQ(figure.jumpState, 2);
    EXPECT_EQ(figure.pose, figure::Jump);
    for (double rise : {15.0, 13.0, 11.0, 9.0, 7.0, 5.0, 3.0, 1.0, -1.0}) {
        y = figure.posY;
        tickWith({});
        EXPECT_EQ(y - figure.posY, rise);
    }
}

TEST_F(Tick, UpMakesTheJumpHigherDownLowerAndUpWinsOverDown) {
    double y = figure.posY;
    tickWith({.up = true, .down = true, .x = true});
    EXPECT_EQ(figure.velY, -21.0);
    EXPECT_EQ(figure.posY - y, 3 - 21);
    SetUp();
    tickWith({.down = true, .x = true});
    EXPECT_EQ(figure.velY, -13.0);
}

TEST_F(Tick, HoldingXFiresTheDoubleJumpOnTheFirstFallingTick) {
    int ticks = 0;
    while (figure.jumpState != 0 && ticks < 30) {
        tickWith({.x = true});
        ++ticks;
    }
    EXPECT_EQ(ticks, 10); // velY -17, -15 ... -1, then +1 falls and fires
    EXPECT_EQ(figure.velY, -21.0);
    EXPECT_EQ(figure.pose, figure::Tuck);
    // Without left the somersault turns forward: a whole turn backward is added to the tilt.
    EXPECT_NEAR(figure.bodyAngle, -2 * pi, 1e-12);
}

TEST_F(Tick, LeftAndRightTogetherStopAnySpeedUpToSixteenInOneTick) {
    for (double v : {16.0, -16.0, 5.0}) {
        figure.velX = v;
        tickWith({.left = true, .right = true});
        EXPECT_EQ(figure.velX, 0.0) << v;
    }
    figure.velX = 17;
    tickWith({.left = true, .right = true});
    EXPECT_EQ(figure.velX, 1.0);
}

TEST_F(Tick, RunningIsCappedAtTwelveAndFrictionSlowsByEight) {
    for (int i = 0; i < 5; ++i) tickWith({.right = true});
    EXPECT_EQ(figure.velX, 12.0);
    tickWith({});
    EXPECT_EQ(figure.velX, 4.0);
    tickWith({});
    EXPECT_EQ(figure.velX, 0.0);
    for (int i = 0; i < 4; ++i) tickWith({.left = true});
    EXPECT_EQ(figure.velX, -12.0);
}

TEST_F(Tick, LeaningSnapsToTheRestAngleInsideItsWindow) {
    tickWith({.right = true});
    EXPECT_NEAR(figure.bodyAngle, pi / 12, 1e-15); // outside the window: one step
    tickWith({.right = true});
    EXPECT_NEAR(figure.bodyAngle, pi / 6, 1e-15); // inside: snaps to the rest angle
    tickWith({.left = true});
    EXPECT_NEAR(figure.bodyAngle, pi / 12, 1e-15);
    tickWith({});
    EXPECT_EQ(figure.bodyAngle, 0.0);
}

TEST_F(Tick, OnlyTheRightArrowWalks) {
    const int counter = figure.walkCounter;
    for (int i = 0; i < 4; ++i) tickWith({.left = true});
    EXPECT_EQ(figure.pose, figure::Stand);
    EXPECT_EQ(figure.walkCounter, counter);
    tickWith({.right = true});
    EXPECT_EQ(figure.walkCounter, counter + 1);
    EXPECT_EQ(figure.pose, figure::Walk1 + (counter % 16) / 4);
}

TEST_F(Tick, AKickFromUprightLeansBackToAThirdOfPiAndHoldsThere) {
    const double expected[] = {-pi / 6, -pi / 4, -pi / 3, -pi / 3, -pi / 3};
    for (double angle : expected) {
        tickWith({.z = true});
        EXPECT_NEAR(figure.bodyAngle, angle, 1e-12);
    }
    EXPECT_EQ(figure.kickTimer, 25);
}

TEST_F(Tick, AKickLastsThirtyTicksAndZIsIgnoredMeanwhile) {
    tickWith({.z = true});
    EXPECT_EQ(figure.pose, figure::KickB);
    for (int i = 1; i < 29; ++i) tickWith({.z = true});
    EXPECT_EQ(figure.kickTimer, 1);
    EXPECT_EQ(figure.pose, figure::KickA);
    tickWith({});
    EXPECT_EQ(figure.kickTimer, 0);
    EXPECT_EQ(figure.pose, figure::Stand);
}

TEST_F(Tick, TheTuckDashGoesRightAtFortyEightEvenWhenMovingLeft) {
    figure.velX = -12;
    figure.pose = figure::Tuck;
    figure.jumpState = 0;
    figure.posY -= 200; // in the air, so the ground does not reset the pose first
    tickWith({.left = true, .z = true});
    EXPECT_EQ(figure.velX, 48.0);
    for (double v : {44.0, 40.0, 36.0}) {
        tickWith({.right = true});
        EXPECT_EQ(figure.velX, v);
    }
}

TEST_F(Tick, ThreeBlocksInOneJumpScoreTenTwentyThirty) {
    clearBlocks();
    tickWith({.x = true});
    for (int k = 0; k < 3; ++k) {
        placeBlockUnderFootAfterNextTick(k, {});
        const int before = figure.score;
        tickWith({});
        EXPECT_EQ(figure.combo, k + 1);
        EXPECT_EQ(figure.score - before, 10 * (k + 1));
        EXPECT_TRUE(gameState.scoreFlash);
        EXPECT_FALSE(support::blockPool[k].active);
        gameState.scoreFlash = false;
    }
    EXPECT_EQ(figure.bestCombo, 3);
}

TEST_F(Tick, LandingResetsTheCombo) {
    clearBlocks();
    tickWith({.x = true});
    placeBlockUnderFootAfterNextTick(0, {});
    tickWith({});
    EXPECT_EQ(figure.score, 10);
    for (int i = 0; i < 40 && figure.jumpState != figure::OnGround; ++i) tickWith({});
    EXPECT_EQ(figure.combo, 0);
    tickWith({.x = true});
    placeBlockUnderFootAfterNextTick(1, {});
    tickWith({});
    EXPECT_EQ(figure.score, 20);
    EXPECT_EQ(figure.bestCombo, 1);
}

TEST_F(Tick, BodyContactCostsAPointAndHealthPerBlockPerTick) {
    clearBlocks();
    const double cx = figure.boxX + figure.boxWidth / 2;
    const double cy = figure.boxY + 20;
    placeBlock(0, cx, cy, 10, 10);
    placeBlock(1, cx, cy + 10, 10, 10);
    tickWith({});
    EXPECT_EQ(figure.score, -2);
    EXPECT_EQ(figure.health, 98);
    EXPECT_TRUE(support::blockPool[0].active);
}

TEST_F(Tick, ABlockBrokenWhileTheBodyTouchesItScoresTenTimesComboLessOne) {
    clearBlocks();
    figure.updateJoints();
    // A tall block covering a foot and reaching into the body box.
    support::blockPool[0].set(figure.jointX[5] - 10, figure.boxY + 40, 30, 200, 0.0);
    tickWith({});
    EXPECT_FALSE(support::blockPool[0].active);
    EXPECT_EQ(figure.score, 10 * figure.combo - 1);
    EXPECT_EQ(figure.health, 99);
}

TEST_F(Tick, AnInactiveBlockIsNeitherBrokenNorHarmful) {
    clearBlocks();
    support::blockPool[0].set(figure.boxX - 50, figure.boxY - 50, 200, 300, 0.0);
    support::blockPool[0].active = false;
    tickWith({});
    EXPECT_EQ(figure.score, 0);
    EXPECT_EQ(figure.health, 100);
    EXPECT_TRUE(gameState.allCleared);
}

TEST_F(Tick, F11GivesUpButTheTickStillRunsToItsEnd) {
    clearBlocks();
    placeBlockUnderFootAfterNextTick(0, {});
    headless::holdKeys(loop::KeyF11);
    tickWith({});
    headless::holdKeys(0);
    EXPECT_EQ(figure.health, 0);
    EXPECT_FALSE(gameState.running);
    EXPECT_EQ(figure.score, 10);
}

TEST_F(Tick, TheGoalBonusIsAddedEvenWhenHealthRunsOutInTheSameTick) {
    clearBlocks();
    figure.health = 1;
    placeBlock(0, figure.boxX + figure.boxWidth / 2, figure.boxY + 30, 10, 10);
    gameState.goalX = figure.boxX + 10;
    tickWith({});
    EXPECT_EQ(figure.health, 0);
    EXPECT_EQ(figure.score, 299);
    EXPECT_FALSE(gameState.running);
}

TEST_F(Tick, AllClearedFollowsTheLastActiveBlock) {
    clearBlocks();
    tickWith({});
    EXPECT_TRUE(gameState.allCleared);
    support::blockPool[29].set(0, 0, 1, 1, 0);
    tickWith({});
    EXPECT_FALSE(gameState.allCleared);
}

} // namespace
} // namespace kueruma
