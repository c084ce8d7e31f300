// The stick figure: start state, skeleton and the limbs' steps toward a pose.

#include "figure/figure.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace kueruma {
namespace {

using figure::Figure;
using world::pi;

// A figure as the program starts it: built, then reset by start-up.
Figure freshFigure() {
    Figure f;
    f.reset();
    return f;
}

TEST(Figure, ResetGivesTheStartBoxWhateverTheAnglesOrSegment) {
    Figure f = freshFigure();
    f.hipA = 1.0;
    f.segment = 30;
    f.walkCounter = 7;
    f.jointX[3] = 123;
    f.reset();
    EXPECT_NEAR(f.boxX, 403.2154, 1e-4);
    EXPECT_NEAR(f.boxY, 83.2154, 1e-4);
    EXPECT_NEAR(f.boxWidth, 41.5692, 1e-4);
    EXPECT_NEAR(f.boxHeight, 113.5692, 1e-4);
    EXPECT_EQ(f.hipA, pi / 12);
    EXPECT_EQ(f.segment, 24.0);
    EXPECT_EQ(f.pose, figure::Jump);
    EXPECT_EQ(f.health, 100);
    // Walking carries on where it left off, and stale joints stay until recomputed.
    EXPECT_EQ(f.walkCounter, 7);
    EXPECT_EQ(f.jointX[3], 123);
}

TEST(Figure, TheResetSkeletonStandsWhereItShould) {
    Figure f = freshFigure();
    f.updateJoints();
    const double expected[11][2] = {
        {424, 104},       {424, 128},       {424, 152},       {417.79, 175.18},
        {436.00, 172.79}, {411.58, 198.36}, {436.00, 196.79}, {417.79, 151.18},
        {417.79, 151.18}, {424.00, 174.36}, {424.00, 174.36},
    };
    for (int k = 0; k < 11; ++k) {
        EXPECT_NEAR(f.jointX[k], expected[k][0], 0.01) << "joint " << k;
        EXPECT_NEAR(f.jointY[k], expected[k][1], 0.01) << "joint " << k;
    }
    EXPECT_EQ(f.limbBase, pi / 2);
}

TEST(Figure, AWholeTurnOfTiltGivesTheSameJoints) {
    Figure f = freshFigure();
    f.bodyAngle = 0.4;
    f.updateJoints();
    const auto x = f.jointX;
    const auto y = f.jointY;
    for (double turn : {2 * pi, -2 * pi}) {
        f.bodyAngle = 0.4 + turn;
        f.updateJoints();
        for (int k = 0; k < 11; ++k) {
            EXPECT_NEAR(f.jointX[k], x[k], 1e-9);
            EXPECT_NEAR(f.jointY[k], y[k], 1e-9);
        }
    }
}

// Placing the joints again from unchanged values is skipped, so every value they come from
// must count as a change.
TEST(Figure, EveryValueTheJointsComeFromMovesThem) {
    Figure f = freshFigure();
    double* inputs[] = {&f.posX,  &f.posY,  &f.bodyAngle, &f.segment,   &f.hipA,   &f.hipB,
                        &f.kneeA, &f.kneeB, &f.shoulderA, &f.shoulderB, &f.elbowA, &f.elbowB};
    for (std::size_t i = 0; i < std::size(inputs); ++i) {
        f.updateJoints();
        const auto x = f.jointX;
        const auto y = f.jointY;
        *inputs[i] += 0.25;
        f.updateJoints();
        EXPECT_TRUE(f.jointX != x || f.jointY != y) << "value " << i;
    }
}

TEST(Pose, StandFromTheResetAnglesMovesNothingButPlacesTheBox) {
    Figure f = freshFigure();
    f.posX = 100;
    f.posY = 50;
    f.bodyAngle = 0.3;
    const Figure before = f;
    f.applyPose(figure::Stand);
    EXPECT_EQ(f.hipA, before.hipA);
    EXPECT_EQ(f.kneeB, before.kneeB);
    EXPECT_EQ(f.elbowB, before.elbowB);
    const double k = 1 - std::cos(pi / 6);
    EXPECT_NEAR(f.boxX, 100 + 24 * k * (std::cos(0.3) - std::sin(0.3)), 1e-12);
    EXPECT_NEAR(f.boxY, 50 + 24 * k * (std::sin(0.3) + std::cos(0.3)), 1e-12);
    EXPECT_NEAR(f.boxHeight, 113.5692, 1e-4);
}

TEST(Pose, TuckFromTheResetAnglesTakesOneStepEach) {
    Figure f = freshFigure();
    f.applyPose(figure::Tuck);
    EXPECT_EQ(f.hipA, 0);
    EXPECT_NEAR(f.hipB, -pi / 4, 1e-15);
    EXPECT_NEAR(f.kneeA, pi / 12, 1e-15);
    EXPECT_NEAR(f.kneeB, pi / 4, 1e-15);
    EXPECT_EQ(f.shoulderA, 0);
    EXPECT_EQ(f.shoulderB, 0);
    EXPECT_NEAR(f.elbowA, -pi / 4, 1e-15);
    EXPECT_NEAR(f.elbowB, -pi / 4, 1e-15);
    EXPECT_NEAR(f.boxHeight, 80.7846, 1e-4);
}

TEST(Pose, JumpSwingsTheArmsFastAndLeavesTheLegs) {
    Figure f = freshFigure();
    f.applyPose(figure::Jump);
    EXPECT_NEAR(f.shoulderA, -pi / 12, 1e-15);
    EXPECT_NEAR(f.shoulderB, -pi / 12, 1e-15);
    EXPECT_NEAR(f.elbowA, -pi / 4, 1e-15);
    EXPECT_EQ(f.hipA, pi / 12);
    EXPECT_EQ(f.kneeA, 0);
}

TEST(Pose, AnglesLandExactlyOnTheirTargetsAndStay) {
    Figure f = freshFigure();
    for (int i = 0; i < 12; ++i) f.applyPose(figure::Tuck);
    EXPECT_EQ(f.hipA, -2 * pi / 3);
    EXPECT_EQ(f.kneeB, 2 * pi / 3);
    EXPECT_EQ(f.elbowA, -5 * pi / 6);
    f.applyPose(figure::Tuck);
    EXPECT_EQ(f.hipA, -2 * pi / 3);
}

TEST(Pose, BoxHeightsFollowThePoseAtOnce) {
    Figure f = freshFigure();
    f.applyPose(figure::Walk3);
    EXPECT_NEAR(f.boxHeight, 104.7846, 1e-4);
    f.applyPose(figure::KickB);
    EXPECT_NEAR(f.boxHeight, 89.5692, 1e-4);
}

TEST(Pose, CodesOutsideTheTableChangeNothing) {
    Figure f = freshFigure();
    f.posX = 900; // the box still belongs to the old position
    for (int code : {3, 5, 9, 14, 19, -1, 22, 100}) {
        const Figure before = f;
        f.applyPose(code);
        EXPECT_EQ(f.boxX, before.boxX) << code;
        EXPECT_EQ(f.hipA, before.hipA) << code;
        EXPECT_EQ(f.shoulderB, before.shoulderB) << code;
    }
}

} // namespace
} // namespace kueruma
