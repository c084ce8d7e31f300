// The message queue a Windows program sees, emulated for the backends that have none of their
// own (headless, desktop, browser): one timer on a fixed grid whose late ticks coalesce, paint
// requests, the quit message, the main window's state and the keyboard's async key latch. Each
// backend gives it a clock: a virtual one that jumps, or the machine's.
#pragma once

#include <cstdint>

namespace kueruma::platform {
// The one main window of an emulated program.
struct Window {
    bool destroyed = false;
};
} // namespace kueruma::platform

namespace kueruma::loop {

// The multimedia joystick interface numbers up to 16 devices and says this of one that does
// not answer.
inline constexpr unsigned maxJoysticks = 16;
inline constexpr unsigned joyErrUnplugged = 167;

// The keys the game asks about, as bits (in the order of the letters of a replay script).
enum Key : std::uint8_t {
    KeyLeft = 1 << 0,
    KeyUp = 1 << 1,
    KeyRight = 1 << 2,
    KeyDown = 1 << 3,
    KeyX = 1 << 4,
    KeyZ = 1 << 5,
    KeyF11 = 1 << 6,
};
using KeySet = std::uint8_t;

// The bit of a virtual-key code the game asks about; 0 for any other key.
KeySet keyBit(int virtualKey);

// What the async key query reports: a key is down now, or was pressed since the previous query
// of that key, so a tap shorter than a tick still counts once.
class KeyLatch {
  public:
    void press(KeySet keys);
    void release(KeySet keys) { held_ = static_cast<KeySet>(held_ & ~keys); }
    // Exactly these keys are down from now on.
    void hold(KeySet keys);
    // Pressed and released again since the last query.
    void tap(KeySet keys) { pressed_ = static_cast<KeySet>(pressed_ | keys); }
    void releaseAll() { held_ = 0; }
    // The async key state of `virtualKey` (0x8000 down, 1 pressed since the last query); the
    // press is forgotten once reported.
    short query(int virtualKey);

  private:
    KeySet held_ = 0;
    KeySet pressed_ = 0;
};

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

// A clock that moves only when told: pauses and waits cost no time.
struct VirtualClock {
    std::int64_t ms = 0;
    std::int64_t now() const { return ms; }
    void sleep(unsigned pauseMs) { ms += pauseMs; }
};

// The emulated message loop on a clock: `Clock` has `std::int64_t now()` in milliseconds and
// `void sleep(unsigned ms)`, which blocks the program (or, for a virtual clock, moves it on).
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
    void sleep(unsigned ms) { clock.sleep(ms); }

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
