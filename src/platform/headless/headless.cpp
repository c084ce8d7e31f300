#include "platform/headless/headless.hpp"

#include "app/menus.hpp"
#include "app/shell.hpp"
#include "platform/headless/counting_canvas.hpp"
#include "seam/platform.hpp"

#include <array>

namespace kueruma::headless {

namespace {

struct Runtime {
    app::Shell shell;
    platform::Window window;
    PaintTarget* target = nullptr;
    loop::MessageLoop<loop::VirtualClock> loop;
    bool painting = false;
    std::int64_t ticks = 0;
    TickReport report;
    TickReport bootReport;
    unsigned joystickCount = 0;
    std::array<VirtualJoystick, maxJoysticks> joysticks{};
};

thread_local Runtime rt;

void paint() {
    rt.loop.takePaint();
    if (rt.target == nullptr) return;
    rt.report.painted = true;
    platform::Canvas* target = rt.target->beginPaint();
    if (target == nullptr) {
        rt.shell.onPaint(&rt.window);
        return;
    }
    CountingCanvas canvas(*target);
    rt.painting = true;
    rt.shell.onPaint(&rt.window, canvas);
    rt.painting = false;
    rt.target->endPaint();
    rt.report.pensCreated += canvas.created();
    rt.report.pensDeleted += canvas.deleted();
}

} // namespace

void boot(PaintTarget* target, int stage) {
    const unsigned joystickCount = rt.joystickCount;
    const auto joysticks = rt.joysticks;
    rt = Runtime{};
    rt.joystickCount = joystickCount;
    rt.joysticks = joysticks;
    rt.target = target;
    rt.shell.startUp();
    rt.shell.onCreate(&rt.window);
    if (stage >= 0) {
        app::beginStageByCode(rt.shell.state(), &rt.window, stage);
    }
    // The window's first paint, before any tick.
    paint();
    rt.report.timerMs = rt.loop.timer().periodMs();
    rt.bootReport = rt.report;
}

bool tick() {
    if (rt.loop.quitPosted()) return false;
    rt.report = TickReport{};
    // The clock moves on to the tick; a tick that is overdue fires once, now.
    const std::int64_t wait = rt.loop.msUntilTick();
    if (wait > 0) rt.loop.clock.ms += wait;
    rt.report.tickMs = rt.loop.clock.now();
    rt.loop.takeTick();
    ++rt.ticks;
    rt.shell.onTimer(&rt.window);
    if (rt.loop.next() == loop::Next::Paint) paint();
    rt.report.timerMs = rt.loop.timer().periodMs();
    rt.report.quit = rt.loop.quitPosted();
    return true;
}

platform::Window* mainWindow() {
    return &rt.window;
}

void paintNow() {
    rt.report = TickReport{};
    paint();
}

void holdKeys(loop::KeySet keys) {
    rt.loop.keys.hold(keys);
}

void tapKey(int virtualKey) {
    rt.loop.keys.tap(loop::keyBit(virtualKey));
}

game::PlayState& state() {
    return rt.shell.state();
}

app::Shell& shell() {
    return rt.shell;
}

struct Snapshot {
    Runtime runtime;
};

Snapshot* newSnapshot() {
    return new Snapshot{rt};
}
void deleteSnapshot(Snapshot* snapshot) {
    delete snapshot;
}

void save(Snapshot& snapshot) {
    snapshot.runtime = rt;
}

void restore(const Snapshot& snapshot) {
    rt = snapshot.runtime;
}

const TickReport& lastReport() {
    return rt.report;
}
const TickReport& bootReport() {
    return rt.bootReport;
}
std::int64_t nowMs() {
    return rt.loop.clock.now();
}
unsigned timerPeriodMs() {
    return rt.loop.timer().periodMs();
}
bool quitPosted() {
    return rt.loop.quitPosted();
}
int exitCode() {
    return rt.loop.exitCode();
}
std::int64_t ticksDelivered() {
    return rt.ticks;
}

void setJoystickDeviceCount(unsigned count) {
    rt.joystickCount = count < maxJoysticks ? count : maxJoysticks;
}
VirtualJoystick& joystick(unsigned id) {
    return rt.joysticks[id % maxJoysticks];
}

} // namespace kueruma::headless

namespace kueruma::platform {

using headless::rt;

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
    if (rt.painting) rt.target->pauseInPaint();
    rt.loop.sleep(ms);
    rt.report.sleptMs += ms;
}

void playSound(const char* fileName) {
    if (rt.report.soundCount < headless::TickReport::maxSounds) {
        rt.report.sounds[rt.report.soundCount++] = fileName;
    }
}

short asyncKeyState(int virtualKey) {
    return rt.loop.keys.query(virtualKey);
}

unsigned joystickDeviceCount() {
    return rt.joystickCount;
}

unsigned joystickProbe(unsigned id) {
    return id < rt.joystickCount && rt.joysticks[id].plugged ? joyNoError : loop::joyErrUnplugged;
}

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    if (joystickProbe(id) != joyNoError) return loop::joyErrUnplugged;
    info.dwXpos = rt.joysticks[id].x;
    info.dwYpos = rt.joysticks[id].y;
    info.dwButtons = rt.joysticks[id].buttons;
    return joyNoError;
}

} // namespace kueruma::platform
