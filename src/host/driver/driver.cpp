#include "host/driver/driver.hpp"

#include "host/driver/backend.hpp"
#include "host/driver/practice.hpp"
#include "seam/machine.hpp"

namespace kueruma::driver {

namespace {

thread_local Program storage;
// The program in `storage` once anything has asked for it: a plain pointer reaches it without the
// check a thread-local with a constructor costs on every use, which the seam's calls would pay
// many times a tick.
constinit thread_local Program* active = nullptr;

} // namespace

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

void paint() {
    Program& current = program();
    current.loop.takePaint();
    seam::Canvas* canvas = beginPaint();
    if (canvas == nullptr) {
        current.shell.onPaint(&current.window);
    } else {
        current.painting = true;
        current.shell.onPaint(&current.window, *canvas);
        current.painting = false;
    }
    endPaint();
}

void fireTimer() {
    Program& current = program();
    if (!practice::beforeTick()) return;
    tickStarts();
    current.shell.onTimer(&current.window);
    tickDone();
}

bool handlePending() {
    Program& current = program();
    while (!current.loop.quitPosted() && handleEvent()) {
    }
    if (current.loop.next() == loop::Next::Paint) paint();
    return !current.loop.quitPosted();
}

int run() {
    Program& current = program();
    while (handlePending()) {
        if (current.loop.next() == loop::Next::Tick) {
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
