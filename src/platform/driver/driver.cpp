#include "platform/driver/driver.hpp"

#include "platform/driver/backend.hpp"
#include "seam/platform.hpp"

namespace kueruma::driver {

namespace {

thread_local Program current;

} // namespace

std::int64_t BackendClock::now() const {
    return clockMs();
}

Program& program() {
    return current;
}

void reset() {
    current = Program{};
}

void paint() {
    current.loop.takePaint();
    platform::Canvas* canvas = beginPaint();
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
    tickStarts();
    current.shell.onTimer(&current.window);
    tickDone();
}

bool handlePending() {
    while (!current.loop.quitPosted() && handleEvent()) {
    }
    if (current.loop.next() == loop::Next::Paint) paint();
    return !current.loop.quitPosted();
}

int run() {
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

namespace kueruma::platform {

using driver::current;

void setTimer(Window*, int, unsigned periodMs) {
    current.loop.setTimer(periodMs);
}

void invalidate(Window*) {
    current.loop.invalidate();
}

void postQuit(int exitCode) {
    current.loop.postQuit(exitCode);
}

void closeWindow(Window* window) {
    current.shell.onClose(window);
}

void destroyWindow(Window* window) {
    if (window->destroyed) return;
    window->destroyed = true;
    driver::windowDestroyed();
    current.shell.onDestroy(window);
}

void sleepMs(unsigned ms) {
    driver::pause(ms);
}

short asyncKeyState(int virtualKey) {
    return driver::keyAnswer(virtualKey, current.loop.keys.query(virtualKey));
}

} // namespace kueruma::platform
