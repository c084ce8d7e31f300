// The message queue a Windows program sees, emulated for the backends that have none of their
// own (headless, desktop, browser): one timer on a fixed grid whose late ticks coalesce, paint
// requests, the quit message and the keyboard's async key latch, on a clock: a virtual one that
// jumps, or the machine's.
#pragma once

#include "host/loop/key_latch.hpp"

#include <cstdint>

namespace kueruma::loop {

// The multimedia joystick interface numbers up to 16 devices and says this of one that does
// not answer.
inline constexpr unsigned maxJoysticks = 16;
inline constexpr unsigned joyErrUnplugged = 167;

// One timer on a grid: a tick falls due every period from the moment it was set; a tick taken
// late stands for every tick missed meanwhile, and the next one falls on the grid again.
class Timer {
  public:
    void set(unsigned periodMs, std::int64_t now);
    bool running() const { return running_; }
    // The period as set (a period of 0 ticks every millisecond).
    unsigned periodMs() const { return periodMs_; }
    bool due(std::int64_t now) const { return running_ && now >= nextDue_; }
    // How long from `now` until the next tick is due: 0 when it is, -1 when no timer runs.
    std::int64_t msUntilDue(std::int64_t now) const;
    void take(std::int64_t now);

  private:
    bool running_ = false;
    unsigned periodMs_ = 0;
    std::int64_t nextDue_ = 0;
};

// What the queue hands out next, in a Windows queue's order: the quit message before a paint,
// a paint before a timer tick.
enum class Next { Quit, Paint, Tick, Wait };

// The emulated message loop on a clock: `Clock` has `std::int64_t now() const` in milliseconds.
template <class Clock> class MessageLoop {
  public:
    Clock clock;
    KeyLatch keys;

    // The seam's calls.
    void setTimer(unsigned periodMs) { timer_.set(periodMs, clock.now()); }
    void invalidate() { paintAsked_ = true; }
    void postQuit(int exitCode) {
        quit_ = true;
        exitCode_ = exitCode;
    }

    Next next() const {
        if (quit_) return Next::Quit;
        if (paintAsked_) return Next::Paint;
        return timer_.due(clock.now()) ? Next::Tick : Next::Wait;
    }
    // The paint asked for is about to run.
    void takePaint() { paintAsked_ = false; }
    // The tick due now is about to be delivered.
    void takeTick() { timer_.take(clock.now()); }
    std::int64_t msUntilTick() const { return timer_.msUntilDue(clock.now()); }

    const Timer& timer() const { return timer_; }
    bool quitPosted() const { return quit_; }
    int exitCode() const { return exitCode_; }

  private:
    Timer timer_;
    bool paintAsked_ = false;
    bool quit_ = false;
    int exitCode_ = 0;
};

} // namespace kueruma::loop
