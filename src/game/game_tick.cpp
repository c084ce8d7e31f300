#include "game/game_tick.hpp"

#include "numeric/trig.hpp"
#include "seam/machine.hpp"
#include "seam/sounds.hpp"

#include <initializer_list>

namespace kueruma::game {

using figure::Figure;
using world::pi;

namespace {

constexpr double tiltStep = pi / 12;
constexpr int kickLength = 30;
constexpr int goalBonus = 300;
constexpr double barThickness = 2.0;

// The lean control: outside its window the body turns toward it by pi/12 a tick, inside it
// snaps to the rest angle.
double leanSpin(const Figure& f, double low, double high, double rest) {
    const double s = f.bodyAngle + f.spin;
    if (s > high) return -tiltStep;
    if (s < low) return tiltStep;
    return rest - f.bodyAngle;
}

// Slows the run toward 0 by `decel` without passing it.
void brake(Figure& f, double decel) {
    if (f.velX >= 0) {
        f.velX -= decel;
        if (f.velX < 0) f.velX = 0;
    } else {
        f.velX += decel;
        if (f.velX > 0) f.velX = 0;
    }
}

void runAndLean(Figure& f, const InputState& in) {
    if (in.left && in.right) {
        brake(f, 4 * f.runAccel);
        f.spin = leanSpin(f, -pi / 12, pi / 12, 0.0);
    } else if (in.left) {
        f.velX -= f.runAccel;
        if (f.velX < -f.maxRunSpeed) {
            f.velX += 2 * f.runAccel;
            if (f.velX > -f.maxRunSpeed) f.velX = -f.maxRunSpeed;
        }
        f.spin = leanSpin(f, -pi / 4, -pi / 12, -pi / 6);
    } else if (in.right) {
        f.velX += f.runAccel;
        if (f.velX > f.maxRunSpeed) {
            f.velX -= 2 * f.runAccel;
            if (f.velX < f.maxRunSpeed) f.velX = f.maxRunSpeed;
        }
        f.spin = leanSpin(f, pi / 12, pi / 4, pi / 6);
    } else {
        brake(f, 2 * f.runAccel);
        f.spin = leanSpin(f, -pi / 12, pi / 12, 0.0);
    }
}

// Tilts the body about a pivot near the head, then moves it and applies gravity.
void tiltAndMove(Figure& f) {
    f.bodyAngle += f.spin;
    const double h = f.pivotSpan / 2;
    const numeric::SinCos t = f.bodyTurn();
    const double pivotX = f.posX + h * (t.cos - t.sin);
    const double pivotY = f.posY + h * (t.sin + t.cos);
    const double rx = world::rotateAboutX(f.posX, f.posY, pivotX, pivotY, f.spin);
    const double ry = world::rotateAboutY(f.posX, f.posY, pivotX, pivotY, f.spin);
    f.posX = rx + f.velX;
    f.spin = 0;
    f.velY += f.gravity;
    f.posY = ry + f.velY;
}

void jump(Figure& f, const InputState& in) {
    if (f.jumpState == figure::OnGround && in.x) {
        f.velY = in.up ? -21.0 : in.down ? -13.0 : -17.0;
        f.jumpState = figure::JumpedOnce;
        f.pose = figure::Jump;
        f.posY += f.velY;
    } else if (f.jumpState == figure::JumpedOnce && in.x && f.velY > 0) {
        f.velY = in.up ? -23.0 : in.down ? -15.0 : -21.0;
        f.posY += f.velY;
        f.spin = in.left ? 2 * pi : -2 * pi;
        f.jumpState = figure::NoJumpLeft;
        f.pose = figure::Tuck;
    }
}

// Each box corner below the floor lifts the figure by its depth; the box is not moved between
// the four tests, so the lifts add up.
void landOnGround(Figure& f, double groundY) {
    const numeric::SinCos t = f.bodyTurn();
    const double corners[4] = {
        f.boxY,
        f.boxY + f.boxWidth * t.sin,
        f.boxY + f.boxHeight * t.cos,
        f.boxY + f.boxWidth * t.sin + f.boxHeight * t.cos,
    };
    for (double c : corners) {
        if (c > groundY) {
            f.posY += groundY - c;
            f.velY = 1.0;
            f.jumpState = figure::OnGround;
            f.pose = figure::Stand;
            f.combo = 0;
        }
    }
}

void walk(Figure& f, const InputState& in) {
    if (f.pose == figure::Stand && in.right) {
        // The count runs for ever: past its largest value it wraps round as an unsigned count
        // would (2^32 is a whole number of cycles, so the stride goes on unbroken) instead of
        // overflowing into poses no table holds.
        const auto count = static_cast<std::uint32_t>(f.walkCounter);
        f.pose = figure::Walk1 + static_cast<int>((count % 16) / 4);
        f.walkCounter = static_cast<std::int32_t>(count + 1);
    }
}

void kick(Figure& f, const InputState& in) {
    if (f.kickTimer == 0 && in.z) {
        if (f.pose == figure::Tuck) f.velX = 4 * f.maxRunSpeed;
        f.kickTimer = kickLength;
        f.pose = figure::KickA;
    }
    if (f.kickTimer > 0) {
        f.bodyAngle = world::stepToward(f.bodyAngle, -pi / 3, pi / 6);
        f.pose = figure::KickA + ((f.kickTimer / 4) % 2);
        f.kickTimer -= 1;
        if (f.kickTimer == 0) f.pose = figure::Stand;
    }
}

// The eight leg bars, each one bone long, from a knee or foot at right angles to the bone below
// the joint above: +2 toward the bone and -2 beyond the joint, at both feet and both knees.
struct LegBars {
    world::PreparedRect bars[8];
};

LegBars legBars(const Figure& f) {
    const struct {
        int anchorJoint;
        double boneDirection;
    } bones[4] = {{figure::FootA, f.limbBase + f.hipA + f.kneeA},
                  {figure::FootB, f.limbBase + f.hipB + f.kneeB},
                  {figure::KneeA, f.limbBase + f.hipA},
                  {figure::KneeB, f.limbBase + f.hipB}};
    LegBars legs;
    world::PreparedRect* bar = legs.bars;
    for (const auto& bone : bones) {
        const double angle = bone.boneDirection + pi / 2;
        const numeric::SinCos turn = numeric::sinCos(angle); // the two bars share it
        for (double height : {barThickness, -barThickness}) {
            const double x = f.jointX[bone.anchorJoint];
            const double y = f.jointY[bone.anchorJoint];
            *bar++ = world::prepareRect({x, y, f.segment, height, angle}, turn);
        }
    }
    return legs;
}

bool legTouches(const LegBars& legs, const world::PreparedRect& block) {
    int sum = 0;
    for (const world::PreparedRect& bar : legs.bars) sum += world::rotatedRectsOverlap(bar, block);
    return sum != 0;
}

// The number of blocks the legs broke.
int breakAndTouchBlocks(PlayState& state) {
    int broken = 0;
    Figure& f = state.figure;
    GameState& gs = state.gameState;
    state.preparedBlocks.refresh(state.blockPool);
    const LegBars legs = legBars(f);
    const world::PreparedRect body = world::prepareRect(f.bodyBox(), f.bodyTurn());
    for (int i = 0; i < gs.blockCount; ++i) {
        world::Block& block = state.blockPool[static_cast<std::size_t>(i)];
        if (!block.active) continue;
        const world::PreparedRect& rect = state.preparedBlocks[i];
        if (legTouches(legs, rect)) {
            f.combo += 1;
            f.score += 10 * f.combo;
            block.active = false;
            gs.scoreFlash = true;
            if (f.combo > f.bestCombo) f.bestCombo = f.combo;
            ++broken;
        }
        if (world::rotatedRectsOverlap(body, rect)) {
            f.score -= 1;
            f.health -= 1;
        }
    }
    return broken;
}

bool bodyPastGoal(const Figure& f, double goalX) {
    const numeric::SinCos t = f.bodyTurn();
    const double c = t.cos;
    const double s = t.sin;
    const double xs[4] = {f.boxX, f.boxX + f.boxWidth * c,
                          f.boxX + f.boxWidth * c - f.boxHeight * s, f.boxX - f.boxHeight * s};
    for (double x : xs) {
        if (x > goalX) return true;
    }
    return false;
}

} // namespace

int playRules(PlayState& state, bool givingUp) {
    GameState& gs = state.gameState;
    Figure& f = state.figure;
    const InputState& in = gs.input;

    // F11 gives up, but the rest of the tick still runs.
    if (givingUp) {
        f.health = 0;
        gs.running = false;
    }
    runAndLean(f, in);
    tiltAndMove(f);
    jump(f, in);
    f.applyPose(f.pose);
    landOnGround(f, gs.groundY);
    walk(f, in);
    kick(f, in);
    // The somersault's whole turn lands here; the lean control of later ticks turns it back.
    f.bodyAngle += f.spin;
    f.spin = 0;
    f.updateJoints();
    const int broken = breakAndTouchBlocks(state);
    gs.allCleared = activeBlockCount(state) == 0;
    if (f.health <= 0) gs.running = false;
    if (bodyPastGoal(f, gs.goalX)) {
        f.score += goalBonus;
        gs.running = false;
    }
    return broken;
}

int stageTick(PlayState& state, bool givingUp) {
    GameState& gs = state.gameState;
    gs.scrollX += gs.scrollStep;
    const int broken = playRules(state, givingUp);
    // The view overtaking the goal line ends the stage as a time-out.
    if (gs.scrollX > gs.goalX) {
        gs.running = false;
        state.figure.health = 0;
    }
    return broken;
}

namespace {

// The player's tick: F11 asked first, then a cue for each break (no other call out comes
// between the breaks, so they are heard as if played on the spot).
void playerTick(PlayState& state, int (*rules)(PlayState&, bool)) {
    const bool givingUp = seam::asyncKeyState(seam::keyF11) != 0;
    for (int n = rules(state, givingUp); n > 0; --n) {
        seam::playSound(seam::soundFile(seam::Sound::Blip));
    }
}

} // namespace

void gameTick(PlayState& state) {
    playerTick(state, playRules);
}

void playerStageTick(PlayState& state) {
    playerTick(state, stageTick);
}

void resetStage(PlayState& state, std::int32_t stageIndex) {
    GameState& gs = state.gameState;
    loadStage(state, stageIndex);
    gs.screen = StageIntro;
    gs.running = true;
    state.figure.reset();
    gs.scrollX = 0.0;
    gs.allCleared = false;
}

} // namespace kueruma::game
