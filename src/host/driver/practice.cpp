#include "host/driver/practice.hpp"

#include "host/driver/driver.hpp"
#include "host/driver/ghost.hpp"
#include "host/driver/practice_hold.hpp"
#include "host/driver/rewind.hpp"

#include <memory>

namespace kueruma::driver::practice {

namespace {

struct Practice {
    Hooks hooks;
    RewindRing ring;
    PracticeHold hold;
    bool rewinding = false;
    bool warned = false;    // this hold of the rewind key has said it can go no further
    int slowdown = 1;       // 1, 2 or 4: 100%, 50%, 25%
    unsigned periodMs = 0;  // as the program set it
    std::int64_t ticks = 0; // played on the timeline kept
    std::int64_t rewinds = 0;
};

thread_local std::unique_ptr<Practice> owner;
// A plain pointer: every tick asks for it, without the check a thread-local with a destructor
// costs on each use.
constinit thread_local Practice* active = nullptr;

void setSlowdown(int slowdown) {
    active->slowdown = slowdown;
    active->hold.release();
    program().loop.setTimer(timerPeriod(active->periodMs));
}

void rewindStep() {
    Practice& p = *active;
    RewindFrame frame;
    if (!p.ring.pop(frame)) {
        if (!p.warned && p.hooks.notice) {
            p.hooks.notice("practice: no further back than the stage's start or a minute ago; "
                           "play goes on from here");
        }
        p.warned = true;
        return;
    }
    Program& program = driver::program();
    program.shell.state() = frame.state;
    p.periodMs = frame.timerMs;
    program.loop.setTimer(timerPeriod(frame.timerMs));
    p.ticks = frame.ticks;
    ++p.rewinds;
    if (p.hooks.timelineCut) p.hooks.timelineCut(p.ticks, frame.state);
    ghost::rewound(p.ticks, frame.state);
    // The picture of that moment; its paint counts the debris down, which the timeline's own
    // paint already did, so the state is set again as it was.
    paint();
    program.shell.state() = frame.state;
}

} // namespace

void enable(Hooks hooks) {
    owner = std::make_unique<Practice>();
    owner->hooks = std::move(hooks);
    active = owner.get();
}

void disable() {
    active = nullptr;
    owner.reset();
}

bool enabled() {
    return active != nullptr;
}

void setRewinding(bool held) {
    if (!active) return;
    active->rewinding = held;
    if (!held) active->warned = false;
}

void slower() {
    if (active) setSlowdown(active->slowdown >= 2 ? 4 : 2);
}

void faster() {
    if (active) setSlowdown(active->slowdown <= 2 ? 1 : 2);
}

void step() {
    if (active) active->hold.step();
}

int speedPercent() {
    return active ? 100 / active->slowdown : 100;
}

std::int64_t rewinds() {
    return active ? active->rewinds : 0;
}

std::size_t ringBytes() {
    return active ? active->ring.bytes() : 0;
}

unsigned timerPeriod(unsigned periodMs) {
    if (!active) return periodMs;
    active->periodMs = periodMs;
    return periodMs * static_cast<unsigned>(active->slowdown);
}

bool beforeTick() {
    if (!active) return true;
    Practice& p = *active;
    if (p.rewinding) {
        rewindStep();
        return false;
    }
    if (!p.hold.letTickThrough()) return false;
    const game::PlayState& state = program().shell.state();
    // A rewind stays inside the stage being played: what came before it was another run.
    if (state.gameState.screen == game::StageIntro) p.ring.clear();
    p.ring.push({state, p.periodMs, p.ticks});
    ++p.ticks;
    return true;
}

} // namespace kueruma::driver::practice
