#include "platform/web/web_backend.hpp"

#include "app/shell.hpp"
#include "platform/loop/message_loop.hpp"
#include "platform/raster/raster_canvas.hpp"
#include "platform/record/session.hpp"
#include "platform/web/web_input.hpp"
#include "platform/web/web_runs.hpp"
#include "platform/web/web_sound.hpp"
#include "seam/canvas.hpp"
#include "seam/platform.hpp"

#include <emscripten.h>

#include <cstdint>
#include <vector>

namespace kueruma::web {

namespace {

using platform::clientHeight;
using platform::clientWidth;

// The page's side (page.js): showing frames, the menu's commands, waiting, and the ended notice.
// clang-format off
EM_JS(void, showFrame, (const std::uint8_t* rgba, int bytes), {
    kuerumaPage.showFrame(HEAPU8.subarray(rgba, rgba + bytes));
});
// The page counts the timer's ticks, the late ones and the slowest paint, for its tests and
// measurements.
EM_JS(void, countTick, (unsigned periodMs), { kuerumaPage.countTick(periodMs); });
EM_JS(void, paintBegins, (), { kuerumaPage.paintBegins(); });
EM_JS(void, paintEnds, (), { kuerumaPage.paintEnds(); });
// The next menu command the page has queued, or -1.
EM_JS(int, takeCommand, (), { return kuerumaPage.takeCommand(); });
// Returns after `ms` (never when negative) or as soon as the page queues a command.
EM_ASYNC_JS(void, waitForMessage, (double ms), { await kuerumaPage.waitForMessage(ms); });
EM_ASYNC_JS(void, showEndedAndWait, (), { await kuerumaPage.showEndedAndWait(); });
// The game's clock, which stands still while the page is hidden, and a pause on it.
EM_JS(double, gameNow, (), { return kuerumaPage.gameNow(); });
EM_ASYNC_JS(void, gameSleep, (double ms), { await kuerumaPage.gameSleep(ms); });
// clang-format on

struct Screen {
    raster::Framebuffer framebuffer{clientWidth, clientHeight};
    raster::RasterCanvas canvas{framebuffer};
    std::vector<std::uint8_t> rgba =
        std::vector<std::uint8_t>(static_cast<std::size_t>(clientWidth) * clientHeight * 4, 255);
};

// The page's game clock; a pause hands the page back to the browser until it is over
// (Asyncify), so the page stays responsive and key events reach the latch meanwhile. A hidden
// page stops the clock: the stage waits where it was instead of playing out unseen.
struct PageClock {
    std::int64_t now() const { return static_cast<std::int64_t>(gameNow()); }
    void sleep(unsigned ms) { gameSleep(ms); }
};

// A fresh one for every game: the state at process start.
struct Runtime {
    app::Shell shell;
    platform::Window window;
    loop::MessageLoop<PageClock> loop;
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
    paintBegins();
    rt.loop.takePaint();
    screen().framebuffer.clear(0);
    screen().canvas.beginPaint();
    rt.shell.onPaint(&rt.window, screen().canvas);
    present();
    paintEnds();
}

// Commands come before a paint, a paint before the next tick, and quitting before all of them,
// as a Windows message queue orders them. False once the game has quit.
bool handlePending() {
    for (int command; !rt.loop.quitPosted() && (command = takeCommand()) >= 0;) {
        rt.shell.onCommand(&rt.window, static_cast<unsigned>(command));
    }
    if (rt.loop.next() == loop::Next::Paint) paint();
    return !rt.loop.quitPosted();
}

int runMessageLoop() {
    while (handlePending()) {
        if (rt.loop.next() == loop::Next::Tick) {
            rt.loop.takeTick();
            input::markJoysticksStale();
            countTick(rt.loop.timer().periodMs());
            rt.shell.onTimer(&rt.window);
            record::session().tickDone(rt.shell.state());
        } else {
            waitForMessage(static_cast<double>(rt.loop.msUntilTick()));
        }
    }
    return rt.loop.exitCode();
}

} // namespace

void openPage() {
    input::listen(rt.loop.keys);
    sound::open();
}

int playOnce() {
    rt = Runtime{};
    runs::beginSession();
    input::markJoysticksStale();
    rt.shell.startUp();
    rt.shell.onCreate(&rt.window);
    record::session().windowCreated(rt.shell.state(), &rt.window);
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
    rt.loop.setTimer(periodMs);
}

void invalidate(Window*) {
    rt.loop.invalidate();
}

void postQuit(int exitCode) {
    rt.loop.postQuit(exitCode);
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
    rt.loop.sleep(ms);
    web::input::markJoysticksStale();
}

short asyncKeyState(int virtualKey) {
    return record::session().keyAnswer(virtualKey, rt.loop.keys.query(virtualKey));
}

} // namespace kueruma::platform
