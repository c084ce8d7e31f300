// The player's stick figure: its one record, start state, skeleton and limb dynamics.
#pragma once

#include "numeric/trig.hpp"
#include "world/geometry.hpp"

#include <array>
#include <cstdint>

namespace kueruma::figure {

enum Pose : std::int32_t {
    Stand = 0,
    Jump = 1,
    Tuck = 2,
    Walk1 = 10,
    Walk2 = 11,
    Walk3 = 12,
    Walk4 = 13,
    KickA = 20,
    KickB = 21,
};

// The skeleton's eleven points, in the order they are laid out.
enum Joint : int {
    Head = 0, // centre of the head circle
    Neck = 1, // where the arms hang
    Hip = 2,
    KneeA = 3,
    KneeB = 4,
    FootA = 5,
    FootB = 6,
    ElbowA = 7,
    ElbowB = 8,
    HandA = 9,
    HandB = 10,
};
inline constexpr int jointCount = 11;

// What jumps the figure has left.
enum JumpState : std::int32_t {
    NoJumpLeft = 0, // after the second jump, until it lands
    OnGround = 1,   // may jump
    JumpedOnce = 2, // may jump again while falling
};

struct Figure {
    double posX;
    double posY;
    double velX;
    double runAccel;
    double velY;
    double gravity;
    double maxRunSpeed;
    double pivotSpan;
    double bodyAngle;
    double spin;
    std::int32_t jumpState;
    std::int32_t pose;
    std::int32_t walkCounter = 0; // never reset: each stage's walk continues the last cycle
    std::int32_t kickTimer;
    std::int32_t health;
    std::int32_t score;
    std::int32_t combo;
    std::int32_t bestCombo;
    double boxX;
    double boxY;
    double boxWidth;
    double boxHeight;
    double limbBase;
    double hipA;
    double hipB;
    double kneeA;
    double kneeB;
    double shoulderA;
    double shoulderB;
    double elbowA;
    double elbowB;
    // Valid after updateJoints; a reset leaves them where they were.
    std::array<double, jointCount> jointX{};
    std::array<double, jointCount> jointY{};
    double segment;
    // What the joints were last placed from (the reference point, segment and angles, bit for
    // bit): a paint right after a tick places them from the same values, and skips the work.
    std::array<double, 12> jointsPlacedFrom{};
    bool jointsPlaced = false;

    Figure() { reset(); }
    // Start pose, full health, zero score; leaves walkCounter and the joint points alone.
    void reset();
    // Forward kinematics: the eleven joint points from the reference point and the angles.
    void updateJoints();
    // One step of every limb angle toward the pose, then the body box for that pose.
    void applyPose(std::int32_t pose);

    world::RotatedRect bodyBox() const { return {boxX, boxY, boxWidth, boxHeight, bodyAngle}; }
    // The sine and cosine of bodyAngle, worked out once for each angle it takes (a tick asks
    // for them several times).
    numeric::SinCos bodyTurn() const;

  private:
    mutable double turnOf_ = 0.0;
    mutable numeric::SinCos turn_{0.0, 1.0};
};

} // namespace kueruma::figure
