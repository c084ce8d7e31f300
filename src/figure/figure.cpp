#include "figure/figure.hpp"

#include "numeric/trig.hpp"

#include <cstring>

namespace kueruma::figure {

using world::pi;

namespace {

// The body box starts this fraction of a bone from the reference point along both axes.
const double boxInset = 1.0 - numeric::cos(pi / 6);
// The body box is this many bones wide.
const double boxWidthInBones = 2 * numeric::cos(pi / 6);

void placeBodyBox(Figure& f, double heightFactor) {
    const double a = f.segment;
    const numeric::SinCos t = f.bodyTurn();
    f.boxX = f.posX + boxInset * a * (t.cos - t.sin);
    f.boxY = f.posY + boxInset * a * (t.sin + t.cos);
    f.boxWidth = boxWidthInBones * a;
    f.boxHeight = a * heightFactor;
}

} // namespace

void Figure::reset() {
    posX = 400.0;
    posY = 80.0;
    velX = 0.0;
    runAccel = 4.0;
    velY = 1.0;
    gravity = 2.0;
    maxRunSpeed = 12.0;
    pivotSpan = 48.0;
    bodyAngle = 0.0;
    spin = 0.0;
    jumpState = NoJumpLeft;
    pose = Jump;
    kickTimer = 0;
    health = 100;
    score = 0;
    combo = 0;
    bestCombo = 0;
    // The start box comes from the literal start values, whatever `segment` held before.
    const double k = 1.0 - numeric::cos(pi / 6);
    boxX = 400 + 24 * k * (numeric::cos(0.0) - numeric::sin(0.0));
    boxY = 80 + 24 * k * (numeric::sin(0.0) + numeric::cos(0.0));
    boxWidth = 2 * numeric::cos(pi / 6) * 24;
    boxHeight = (3 + 2 * numeric::sin(pi / 3)) * 24;
    limbBase = 0.0;
    hipA = pi / 12;
    hipB = -pi / 6;
    kneeA = 0.0;
    kneeB = pi / 6;
    shoulderA = pi / 12;
    shoulderB = pi / 12;
    elbowA = -pi / 6;
    elbowB = -pi / 6;
    segment = 24.0;
}

numeric::SinCos Figure::bodyTurn() const {
    if (std::memcmp(&turnOf_, &bodyAngle, sizeof bodyAngle) != 0) {
        turn_ = numeric::sinCos(bodyAngle);
        turnOf_ = bodyAngle;
    }
    return turn_;
}

void Figure::updateJoints() {
    const std::array<double, 12> inputs = {posX,  posY,  bodyAngle, segment,   hipA,   hipB,
                                           kneeA, kneeB, shoulderA, shoulderB, elbowA, elbowB};
    if (jointsPlaced && std::memcmp(inputs.data(), jointsPlacedFrom.data(), sizeof inputs) == 0)
        return;
    jointsPlacedFrom = inputs;
    jointsPlaced = true;
    const double a = segment;
    const double t = bodyAngle;
    auto place = [&](int joint, int from, double direction) {
        const numeric::SinCos d = numeric::sinCos(direction);
        jointX[joint] = jointX[from] + a * d.cos;
        jointY[joint] = jointY[from] + a * d.sin;
    };
    const numeric::SinCos body = bodyTurn();
    jointX[Head] = posX + a * (body.cos - body.sin);
    jointY[Head] = posY + a * (body.sin + body.cos);
    limbBase = t + pi / 2;
    place(Neck, Head, limbBase);
    place(Hip, Neck, limbBase);
    place(KneeA, Hip, limbBase + hipA);
    place(KneeB, Hip, limbBase + hipB);
    place(FootA, KneeA, limbBase + hipA + kneeA);
    place(FootB, KneeB, limbBase + hipB + kneeB);
    place(ElbowA, Neck, limbBase + shoulderA);
    place(ElbowB, Neck, limbBase + shoulderB);
    place(HandA, ElbowA, limbBase + shoulderA + elbowA);
    place(HandB, ElbowB, limbBase + shoulderB + elbowB);
}

namespace {

struct AngleTarget {
    double target;
    double step;
};

struct PoseRow {
    std::int32_t code;
    // hipA, hipB, kneeA, kneeB, shoulderA, shoulderB, elbowA, elbowB
    AngleTarget angles[8];
    double heightFactor;
};

constexpr double s12 = pi / 12;
constexpr double s6 = pi / 6;

const double standHeight = 3 + 2 * numeric::sin(pi / 3);
const double tuckHeight = 2 + numeric::sin(pi / 3) + numeric::cos(pi / 3);
const double walkHeight = 3 + numeric::sin(pi / 3) + numeric::sin(pi / 6);
const double kickHeight = 2 + 2 * numeric::sin(pi / 3);

// The legs always step pi/12; the shoulders swing at pi/6 when jumping, walking and kicking.
const PoseRow poseTable[] = {
    {Stand,
     {{pi / 12, s12},
      {-pi / 6, s12},
      {0, s12},
      {pi / 6, s12},
      {pi / 12, s12},
      {pi / 12, s12},
      {-pi / 6, s12},
      {-pi / 6, s12}},
     standHeight},
    {Jump,
     {{pi / 12, s12},
      {-pi / 6, s12},
      {0, s12},
      {pi / 6, s12},
      {-2 * pi / 3, s6},
      {-2 * pi / 3, s6},
      {-pi / 3, s12},
      {-pi / 3, s12}},
     standHeight},
    {Tuck,
     {{-2 * pi / 3, s12},
      {-2 * pi / 3, s12},
      {2 * pi / 3, s12},
      {2 * pi / 3, s12},
      {-pi / 6, s12},
      {-pi / 6, s12},
      {-5 * pi / 6, s12},
      {-5 * pi / 6, s12}},
     tuckHeight},
    {Walk1,
     {{0, s12},
      {-2 * pi / 3, s12},
      {pi / 3, s12},
      {pi / 3, s12},
      {-2 * pi / 3, s6},
      {pi / 3, s6},
      {-pi / 3, s12},
      {-pi / 3, s12}},
     walkHeight},
    {Walk2,
     {{-pi / 3, s12},
      {-pi / 3, s12},
      {2 * pi / 3, s12},
      {pi / 3, s12},
      {-pi / 6, s6},
      {-pi / 6, s6},
      {-pi / 2, s12},
      {-pi / 2, s12}},
     walkHeight},
    {Walk3,
     {{-2 * pi / 3, s12},
      {0, s12},
      {pi / 3, s12},
      {pi / 3, s12},
      {pi / 3, s6},
      {-2 * pi / 3, s6},
      {-pi / 3, s12},
      {-pi / 3, s12}},
     walkHeight},
    {Walk4,
     {{-pi / 3, s12},
      {-pi / 3, s12},
      {pi / 3, s12},
      {2 * pi / 3, s12},
      {-pi / 6, s6},
      {-pi / 6, s6},
      {-pi / 2, s12},
      {-pi / 2, s12}},
     walkHeight},
    {KickA,
     {{-5 * pi / 12, s12},
      {-pi / 4, s12},
      {pi / 2, s12},
      {pi / 12, s12},
      {pi / 2, s6},
      {pi / 2, s6},
      {-pi / 4, s12},
      {-pi / 4, s12}},
     kickHeight},
    {KickB,
     {{-pi / 4, s12},
      {-5 * pi / 12, s12},
      {pi / 12, s12},
      {pi / 2, s12},
      {pi / 2, s6},
      {pi / 2, s6},
      {-pi / 4, s12},
      {-pi / 4, s12}},
     kickHeight},
};

} // namespace

void Figure::applyPose(std::int32_t code) {
    for (const PoseRow& row : poseTable) {
        if (row.code != code) continue;
        double* angles[8] = {&hipA,      &hipB,      &kneeA,  &kneeB,
                             &shoulderA, &shoulderB, &elbowA, &elbowB};
        for (int i = 0; i < 8; ++i) {
            *angles[i] = world::stepToward(*angles[i], row.angles[i].target, row.angles[i].step);
        }
        placeBodyBox(*this, row.heightFactor);
        return;
    }
}

} // namespace kueruma::figure
