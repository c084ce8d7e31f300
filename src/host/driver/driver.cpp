#include "host/driver/driver.hpp"

#include "files/record/run_folder.hpp"
#include "host/driver/backend.hpp"
#include "host/driver/ghost.hpp"
#include "host/driver/practice.hpp"
#include "seam/machine.hpp"

#include <cstdio>
#include <cstdlib>

namespace kueruma::driver {

namespace {

// A lost display can end the program from inside the window system's library: what was
// recorded is kept all the same.
void finishAtExit() {
    std::string error;
    if (!finishSession(error)) std::fprintf(stderr, "kueruma: %s\n", error.c_str());
}

thread_local Program storage;
// The program in `storage` once anything has asked for it: a plain pointer reaches it without the
// check a thread-local with a constructor costs on every use, which the seam's calls would pay
// many times a tick.
constinit thread_local Program* active = nullptr;

// The pinned best of `stage` in the folder where runs are kept; empty for none.
std::string bestOf(int stage) {
    const std::string folder = record::defaultRunsFolder();
    if (folder.empty()) return {};
    for (const record::BestRun& best : record::pinnedBests(folder)) {
        if (best.stage == stage) return best.file;
    }
    return {};
}

} // namespace

void followGhosts(const Front& front) {
    const record::SessionOptions& options = sessionOptions();
    if (options.ghostPath.empty() && front.bestWanted == nullptr) return;
    ghost::Choice choice;
    choice.file = options.ghostPath;
    choice.recordPath = options.recordPath;
    choice.notice = [&front](const std::string& message) { report(front, "kueruma: " + message); };
    if (front.bestWanted != nullptr) {
        choice.bestOf = bestOf;
        choice.wanted = front.bestWanted;
        choice.shown = front.bestShown;
    }
    ghost::follow(std::move(choice));
}

std::int64_t BackendClock::now() const {
    return clockMs();
}

Program& program() {
    if (active == nullptr) active = &storage;
    return *active;
}

void reset() {
    program() = Program{};
}

int runGame(int argc, char** argv, const Front& front) {
    if (const int status = begin(argc, argv, front); status >= 0) return status;
    if (practising()) {
        practice::enable({cutSession, [&front](const std::string& message) {
                              report(front, "kueruma: " + message);
                          }});
    }
    followGhosts(front);
    std::atexit(finishAtExit);
    std::string error;
    int exitCode = 2;
    if (open({}, error)) {
        exitCode = run();
    } else {
        report(front, "kueruma: " + error);
    }
    shutDown();
    ghost::stop();
    return finish(front, exitCode);
}

bool open(const app::RunStart& start, std::string& error) {
    reset();
    if (!openWindow(error)) return false;
    Program& current = program();
    current.shell.startUp();
    current.shell.onCreate(&current.window);
    windowCreated(current.shell.state(), &current.window, start);
    ghost::started(current.shell.state());
    paint();
    return true;
}

void paint() {
    Program& current = program();
    current.loop.takePaint();
    seam::Canvas* canvas = beginPaint();
    if (canvas == nullptr) {
        current.shell.onPaint(&current.window);
    } else {
        current.painting = true;
        render::PaintOptions options = paintOptions();
        options.ghost = ghost::figure();
        current.shell.onPaint(&current.window, *canvas, options);
        current.painting = false;
    }
    endPaint();
}

void fireTimer() {
    Program& current = program();
    if (!practice::beforeTick()) return;
    tickStarts();
    current.shell.onTimer(&current.window);
    tickDone(current.shell.state());
    ghost::afterTick(current.shell.state());
}

bool handlePending() {
    Program& current = program();
    while (!current.loop.quitPosted() && handleEvent()) {
    }
    if (current.loop.next() == loop::Next::Paint) paint();
    return !current.loop.quitPosted();
}

void setPaused(bool paused) {
    Program& current = program();
    if (current.paused == paused) return;
    current.paused = paused;
    // The timer's grid starts again from now: the ticks the pause stood over are not owed.
    const loop::Timer& timer = current.loop.timer();
    if (!paused && timer.running()) current.loop.setTimer(timer.periodMs());
}

bool paused() {
    return program().paused;
}

int run() {
    Program& current = program();
    while (handlePending()) {
        if (current.paused) {
            waitForEvent(-1);
        } else if (current.loop.next() == loop::Next::Tick) {
            current.loop.takeTick();
            fireTimer();
        } else {
            waitForEvent(current.loop.msUntilTick());
        }
    }
    return current.loop.exitCode();
}

} // namespace kueruma::driver

namespace kueruma::seam {

using driver::program;

void setTimer(Window*, int, unsigned periodMs) {
    program().loop.setTimer(driver::practice::timerPeriod(periodMs));
}

void invalidate(Window*) {
    program().loop.invalidate();
}

void postQuit(int exitCode) {
    program().loop.postQuit(exitCode);
}

void closeWindow(Window* window) {
    program().shell.onClose(window);
}

void destroyWindow(Window* window) {
    if (window->destroyed) return;
    window->destroyed = true;
    driver::windowDestroyed();
    program().shell.onDestroy(window);
}

void sleepMs(unsigned ms) {
    driver::pause(ms);
}

short asyncKeyState(int virtualKey) {
    return driver::keyAnswer(virtualKey, program().loop.keys.query(virtualKey));
}

} // namespace kueruma::seam
