// One program on the emulated message loop, as the headless, desktop and browser backends run
// it: the whole start (start.hpp: the options, the session; then the program, its window and
// the first paint), the shell, its one window and the message queue, the seam's calls that
// reach them, the paint, the loop that hands out quit, paint and timer tick in a Windows
// queue's order, and the end. The backend gives it a window, a clock, a screen and its events
// (backend.hpp).
#pragma once

#include "app/menus.hpp"
#include "app/shell.hpp"
#include "host/driver/start.hpp"
#include "host/loop/message_loop.hpp"

#include <cstdint>
#include <string>

namespace kueruma::driver {

// The backend's clock, as the message loop reads it.
struct BackendClock {
    std::int64_t now() const;
};

struct Program {
    app::Shell shell;
    seam::Window window;
    loop::MessageLoop<BackendClock> loop;
    // A paint is running: a pause now shows a picture half done.
    bool painting = false;
    // The player has paused the game (setPaused).
    bool paused = false;
};

// The program this thread runs. Each thread has one of its own, so a search can run one per
// core.
Program& program();
// The program as it is at process start.
void reset();

// The whole game: begin(), open(), run(), the backend shut down, finish(); the exit status.
int runGame(int argc, char** argv, const Front& front);

// The ghost the session's options name (--ghost), or else the pinned best the front end's
// settings ask for as each stage begins, played beside the player's from now on.
void followGhosts(const Front& front);

// Makes the program: the state at process start, the backend's window and devices, the shell's
// start-up and window creation, the run started where the session (or `start`) says, and the
// first paint. False, with `error`, when the window could not open.
bool open(const app::RunStart& start, std::string& error);

// Paints the window: the backend's canvas erased, the shell's paint, the picture shown.
void paint();
// Delivers a timer tick to the shell.
void fireTimer();
// Handles the backend's pending events, then the paint asked for, unless the program has quit
// meanwhile. False once it has quit.
bool handlePending();
// The player's pause: while it lasts the game's clock stands still (no timer tick is delivered,
// none is owed afterwards: the first comes a whole period after the pause ends), so a run
// recorded across a pause is the run without it. Events and paints go on.
void setPaused(bool paused);
bool paused();
// Runs the queue until the program quits: events, a paint, a tick when one falls due, or else
// waiting for the next of them. Returns the exit code.
int run();

} // namespace kueruma::driver
