#include "platform/web/web_backend.hpp"

#include "app/shell.hpp"
#include "platform/raster/raster_canvas.hpp"
#include "platform/web/web_input.hpp"
#include "seam/canvas.hpp"
#include "seam/platform.hpp"

#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace kueruma::platform {
struct Window {
    bool destroyed = false;
};
} // namespace kueruma::platform

namespace kueruma::web {

namespace {

using platform::clientHeight;
using platform::clientWidth;

// The page's side (page.js): showing frames, the menu's commands, waiting, and the ended notice.
// clang-format off
EM_JS(void, showFrame, (const std::uint8_t* rgba, int bytes), {
    kuerumaPage.showFrame(HEAPU8.subarray(rgba, rgba + bytes));
});
// The page counts the timer's ticks for its tests and measurements.
EM_JS(void, countTick, (), { kuerumaPage.countTick(); });
// The next menu command the page has queued, or -1.
EM_JS(int, takeCommand, (), { return kuerumaPage.takeCommand(); });
// Returns after `ms` (never when negative) or as soon as the page queues a command.
EM_ASYNC_JS(void, waitForMessage, (double ms), { await kuerumaPage.waitForMessage(ms); });
EM_ASYNC_JS(void, showEndedAndWait, (), { await kuerumaPage.showEndedAndWait(); });
// clang-format on

struct Screen {
    raster::Framebuffer framebuffer{clientWidth, clientHeight};
    raster::RasterCanvas canvas{framebuffer};
    std::vector<std::uint8_t> rgba =
        std::vector<std::uint8_t>(static_cast<std::size_t>(clientWidth) * clientHeight * 4, 255);
};

struct Runtime {
    app::Shell shell; // a fresh one for every game: the state at process start
    platform::Window window;
    bool timerRunning = false;
    double period = 0;
    double nextDue = 0; // on the page's clock, in milliseconds
    bool invalid = false;
    bool quit = false;
    int exitCode = 0;
};

Runtime rt;

Screen& screen() {
    static Screen onlyScreen;
    return onlyScreen;
}

// Puts the framebuffer on the page as it is now, even halfway through a paint.
void present() {
    const std::uint8_t* grey = screen().framebuffer.data();
    std::uint8_t* out = screen().rgba.data();
    const std::size_t pixels = static_cast<std::size_t>(clientWidth) * clientHeight;
    for (std::size_t i = 0; i < pixels; ++i, out += 4) out[0] = out[1] = out[2] = grey[i];
    showFrame(screen().rgba.data(), static_cast<int>(screen().rgba.size()));
}

void paint() {
    rt.invalid = false;
    screen().framebuffer.clear(0);
    screen().canvas.beginPaint();
    rt.shell.onPaint(&rt.window, screen().canvas);
    present();
}

// Commands come before a paint, a paint before the next tick, and quitting before all of them,
// as a Windows message queue orders them. False once the game has quit.
bool handlePending() {
    for (int command; !rt.quit && (command = takeCommand()) >= 0;) {
        rt.shell.onCommand(&rt.window, static_cast<unsigned>(command));
    }
    if (rt.quit) return false;
    if (rt.invalid) paint();
    return !rt.quit;
}

int runMessageLoop() {
    while (handlePending()) {
        const double now = emscripten_get_now();
        if (rt.timerRunning && now >= rt.nextDue) {
            // A late tick fires once; the ticks it missed are dropped, not queued.
            rt.nextDue += std::floor((now - rt.nextDue) / rt.period) * rt.period + rt.period;
            input::markJoysticksStale();
            countTick();
            rt.shell.onTimer(&rt.window);
            continue;
        }
        waitForMessage(rt.timerRunning ? rt.nextDue - now : -1.0);
    }
    return rt.exitCode;
}

} // namespace

int playOnce() {
    rt = Runtime{};
    input::forgetKeys();
    input::markJoysticksStale();
    rt.shell.startUp();
    rt.shell.onCreate(&rt.window);
    paint();
    return runMessageLoop();
}

void waitForRestart() {
    showEndedAndWait();
}

} // namespace kueruma::web

namespace kueruma::platform {

using web::rt;

void setTimer(Window*, int, unsigned periodMs) {
    // A new period starts a new grid from now, as SetTimer does.
    rt.period = periodMs > 0 ? periodMs : 1;
    rt.nextDue = emscripten_get_now() + rt.period;
    rt.timerRunning = true;
}

void invalidate(Window*) {
    rt.invalid = true;
}

void postQuit(int exitCode) {
    rt.quit = true;
    rt.exitCode = exitCode;
}

void closeWindow(Window* window) {
    rt.shell.onClose(window);
}

void destroyWindow(Window* window) {
    if (window->destroyed) return;
    window->destroyed = true;
    rt.shell.onDestroy(window);
}

void sleepMs(unsigned ms) {
    // The page shows every stroke drawn so far, as an unbuffered window would during the pause,
    // and goes on handling its events: keys pressed meanwhile reach the latch.
    web::present();
    emscripten_sleep(ms);
    web::input::markJoysticksStale();
}

} // namespace kueruma::platform
