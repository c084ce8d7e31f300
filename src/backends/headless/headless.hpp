// The headless runtime: the real program on a virtual clock, with scripted keys, pluggable
// joysticks and recorded sounds. It drives the replay runner, the tools and the tests.
#pragma once

#include "app/menus.hpp"
#include "app/shell.hpp"
#include "game/play_state.hpp"
#include "host/loop/message_loop.hpp"
#include "render/paint.hpp"
#include "seam/canvas.hpp"
#include "seam/machine.hpp"

#include <cstdint>

namespace kueruma::headless {

// Where a paint draws: erased to black when it begins. A target that hands out no canvas
// stands for a run without pixels: its paints make only their changes to the play state and
// their sounds and pauses.
class PaintTarget {
  public:
    virtual ~PaintTarget() = default;
    virtual seam::Canvas* beginPaint() = 0;
    // The program sleeps in the middle of a paint with pixels: what it has drawn so far is
    // what a real window shows for that long, so a picture taken here is a frame of its own.
    virtual void pauseInPaint() {}
    virtual void endPaint() {}
};

// Paints that draw nothing: the rules run, every change a paint makes to the play state is
// made, and its sounds and pauses are heard, but no pixel is worked out.
class NullPaintTarget final : public PaintTarget {
  public:
    seam::Canvas* beginPaint() override { return nullptr; }
};

// What happened during one timer tick and the paint that followed it.
struct TickReport {
    static constexpr int maxSounds = 64;
    std::int64_t tickMs = 0; // virtual time at which the tick fired
    unsigned timerMs = 0;    // timer period once the tick and its paint were done
    const char* sounds[maxSounds] = {};
    int soundCount = 0;
    std::int64_t sleptMs = 0;
    int pensCreated = 0;
    int pensDeleted = 0;
    bool painted = false;
    bool quit = false;
};

struct VirtualJoystick {
    bool plugged = false;
    std::uint32_t x = 0x7FFF;
    std::uint32_t y = 0x7FFF;
    std::uint32_t buttons = 0;
};

using loop::maxJoysticks;

// The play state of the program this thread runs. Each thread has a program of its own, so a
// search can run one per core.
game::PlayState& state();
// The program itself, for tests that send it messages directly.
app::Shell& shell();

// Starts the program: process-start records, start-up, window creation and its first paint.
// `start` names the stage (0..8) to begin as a valid pass code would before the first paint, and
// the figure's walk count in it. Every paint from now on goes to `target` (never null).
void boot(PaintTarget* target, const app::RunStart& start = {});
inline void boot(PaintTarget* target, int stage) {
    boot(target, app::RunStart{stage, 0});
}
// Delivers one timer tick and, when it asked for one, the paint after it. False once the
// program has quit (no tick is delivered then).
bool tick();
void holdKeys(loop::KeySet keys);
// A press and release between two ticks: seen once by the next query of that key.
void tapKey(int virtualKey);

const TickReport& lastReport();
// The paint right after boot (frame 0).
const TickReport& bootReport();
std::int64_t nowMs();
unsigned timerPeriodMs();
bool quitPosted();
int exitCode();
std::int64_t ticksDelivered();

// The joystick driver: how many numbers it supports and what is plugged into each.
void setJoystickDeviceCount(unsigned count);
VirtualJoystick& joystick(unsigned id);

// How every paint from now on draws, across boots (at first the game's own picture).
void setPaintOptions(const render::PaintOptions& options);

// The one main window, for tests that send it messages directly.
seam::Window* mainWindow();

// A paint for its own sake, as when the window is uncovered.
void paintNow();

// The whole program's state (the play state and the runtime's clock, timer and keys), so a
// search can try several futures from one point.
struct Snapshot;
Snapshot* newSnapshot();
void deleteSnapshot(Snapshot* snapshot);
void save(Snapshot& snapshot);
void restore(const Snapshot& snapshot);

} // namespace kueruma::headless
