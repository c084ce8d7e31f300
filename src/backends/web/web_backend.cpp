#include "backends/web/web_backend.hpp"

#include "backends/web/web_input.hpp"
#include "backends/web/web_runs.hpp"
#include "backends/web/web_settings.hpp"
#include "backends/web/web_sound.hpp"
#include "host/driver/backend.hpp"
#include "host/driver/driver.hpp"
#include "host/driver/ghost.hpp"
#include "raster/pause_mark.hpp"
#include "raster/raster_canvas.hpp"
#include "seam/canvas.hpp"
#include "seam/machine.hpp"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kueruma::web {

namespace {

using seam::clientHeight;
using seam::clientWidth;

// The page's side (page.js): showing frames, the menu's commands, waiting, and the ended notice.
// clang-format off
// The page's picture is RGBA in the game's memory; only the rectangle given changed since the
// last one shown.
EM_JS(void, showFrame, (const std::uint32_t* rgba, int x, int y, int width, int height), {
    kuerumaPage.showFrame(HEAPU8.buffer, rgba, x, y, width, height);
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
// The page's side of a pause: its clock stands still and the sound stops.
EM_JS(void, pagePaused, (int paused), { kuerumaPage.pagePaused(paused !== 0); });
// The line beside the picture while a stage is raced or timed ("+120", "tick 312  15.60 s"),
// empty for none.
EM_JS(void, showStanding, (const char* line), { kuerumaPage.showStanding(UTF8ToString(line)); });
// clang-format on

// An opaque black RGBA pixel (little-endian: red in the lowest byte).
constexpr std::uint32_t opaque = 0xFF000000u;

struct Screen {
    raster::Framebuffer framebuffer{clientWidth, clientHeight};
    raster::RasterCanvas canvas{framebuffer};
    // What the page shows, as RGBA, and the greys it was made from: a present converts and
    // hands over only what changed (the clear animation presents 25 times, adding two lines).
    std::vector<std::uint32_t> rgba =
        std::vector<std::uint32_t>(static_cast<std::size_t>(clientWidth) * clientHeight, opaque);
    std::vector<std::uint8_t> shownGreys =
        std::vector<std::uint8_t>(static_cast<std::size_t>(clientWidth) * clientHeight, 0);
    bool everShown = false;
    // What the page shows while the game is paused; the game's own picture stays as it was.
    raster::Framebuffer pausedPicture{clientWidth, clientHeight};
    // A game is running (not between games, when there is nothing to pause).
    bool playing = false;
    // The standing line the page shows.
    std::string standing;
};

Screen& screen() {
    static Screen onlyScreen;
    return onlyScreen;
}

// The page's line of the player against the ghost, and of the timer, sent when it changes.
void showStandingLine() {
    std::string line;
    if (const auto standing = driver::ghost::standing(driver::program().shell.state()))
        line = driver::ghost::standingLine(*standing, prefs::timer());
    if (line == screen().standing) return;
    screen().standing = std::move(line);
    showStanding(screen().standing.c_str());
}

// The rectangle of pixels a present changed; right < 0 for none.
struct Changed {
    int left = clientWidth, top = clientHeight, right = -1, bottom = -1;
};

// Brings the page's RGBA picture to `greys`, eight pixels at a time, converting only the eights
// that differ from what was shown (the clear animation presents 25 times, adding two lines).
Changed convertChanges(const std::uint8_t* greys) {
    Screen& s = screen();
    Changed changed;
    const auto width = static_cast<std::size_t>(clientWidth);
    static_assert(clientWidth % 8 == 0, "a row is whole eights of pixels");
    for (int y = 0; y < clientHeight; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * width;
        const std::uint8_t* now = greys + row;
        std::uint8_t* before = s.shownGreys.data() + row;
        std::uint32_t* out = s.rgba.data() + row;
        bool rowChanged = false;
        for (std::size_t x = 0; x < width; x += 8) {
            std::uint64_t eightNow = 0;
            std::uint64_t eightBefore = 0;
            std::memcpy(&eightNow, now + x, 8);
            std::memcpy(&eightBefore, before + x, 8);
            if (s.everShown && eightNow == eightBefore) continue;
            std::memcpy(before + x, &eightNow, 8);
            for (std::size_t k = x; k < x + 8; ++k) out[k] = opaque | now[k] * 0x010101u;
            changed.left = std::min(changed.left, static_cast<int>(x));
            changed.right = std::max(changed.right, static_cast<int>(x) + 7);
            rowChanged = true;
        }
        if (!rowChanged) continue;
        changed.top = std::min(changed.top, y);
        changed.bottom = y;
    }
    s.everShown = true;
    return changed;
}

// Puts the framebuffer on the page as it is now, even halfway through a paint; a paused game's
// as its dimmed copy.
void present() {
    const raster::Framebuffer* shown = &screen().framebuffer;
    if (driver::paused()) {
        raster::drawPaused(*shown, screen().pausedPicture);
        shown = &screen().pausedPicture;
    }
    const Changed changed = convertChanges(shown->data());
    if (changed.right >= 0) {
        showFrame(screen().rgba.data(), changed.left, changed.top, changed.right - changed.left + 1,
                  changed.bottom - changed.top + 1);
    }
    showStandingLine();
}

} // namespace

void openPage() {
    input::listen(driver::program().loop.keys);
    prefs::open();
    sound::open();
}

int playOnce() {
    // A fresh program for every game: the state at process start.
    runs::beginSession();
    std::string error; // the page's canvas is always there
    driver::open({}, error);
    screen().playing = true;
    const int exitCode = driver::run();
    setPaused(false); // a game closed while paused leaves the page's clock running
    screen().playing = false;
    return exitCode;
}

void setPaused(bool paused) {
    if (!screen().playing || paused == driver::paused()) return;
    driver::setPaused(paused);
    driver::program().loop.keys.releaseAll();
    pagePaused(paused ? 1 : 0);
    present();
}

// The page's pause button, its Settings panel, and the page hidden or losing the focus.
extern "C" EMSCRIPTEN_KEEPALIVE void kueruma_setPaused(int paused) {
    setPaused(paused != 0);
}

void waitForRestart() {
    showEndedAndWait();
}

} // namespace kueruma::web

// The page's game clock, screen and menu commands. A pause hands the page back to the browser
// until it is over (Asyncify), so the page stays responsive and key events reach the latch
// meanwhile. A hidden page stops the clock: the stage waits where it was instead of playing out
// unseen.
namespace kueruma::driver {

bool openWindow(std::string&) {
    web::input::markJoysticksStale();
    return true;
}

// The Settings panel's choice of how flashes are drawn.
render::PaintOptions paintOptions() {
    return {.reducedFlashing = web::prefs::reducedFlashing()};
}

// The page outlives every game.
void shutDown() {}

std::int64_t clockMs() {
    return static_cast<std::int64_t>(web::gameNow());
}

void pause(unsigned ms) {
    // The page shows every stroke drawn so far, as an unbuffered window would during the pause,
    // and goes on handling its events: keys pressed meanwhile reach the latch.
    web::present();
    web::gameSleep(ms);
    web::input::markJoysticksStale();
}

seam::Canvas* beginPaint() {
    web::paintBegins();
    web::screen().framebuffer.clear(0);
    web::screen().canvas.beginPaint();
    return &web::screen().canvas;
}

void endPaint() {
    web::present();
    web::paintEnds();
}

bool handleEvent() {
    const int command = web::takeCommand();
    if (command < 0) return false;
    program().shell.onCommand(&program().window, static_cast<unsigned>(command));
    return true;
}

// Returns as soon as the page queues a command.
void waitForEvent(std::int64_t ms) {
    web::waitForMessage(static_cast<double>(ms));
}

void tickStarts() {
    web::runs::tickStarts();
    web::input::markJoysticksStale();
    web::countTick(program().loop.timer().periodMs());
}

void windowDestroyed() {}

} // namespace kueruma::driver
