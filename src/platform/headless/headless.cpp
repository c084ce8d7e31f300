#include "platform/headless/headless.hpp"

#include "app/menus.hpp"
#include "app/shell.hpp"
#include "platform/headless/counting_canvas.hpp"
#include "seam/platform.hpp"

#include <array>

namespace kueruma::platform {
struct Window {
    bool destroyed = false;
};
} // namespace kueruma::platform

namespace kueruma::headless {

namespace {

struct Runtime {
    app::Shell shell;
    platform::Window window;
    PaintTarget* target = nullptr;
    std::int64_t now = 0;
    unsigned period = 0;
    std::int64_t nextDue = 0;
    bool invalid = false;
    bool painting = false;
    bool quit = false;
    int exitCode = 0;
    std::int64_t ticks = 0;
    KeySet held = 0;
    KeySet pressedSinceQuery = 0;
    TickReport report;
    TickReport bootReport;
    unsigned joystickCount = 0;
    std::array<VirtualJoystick, maxJoysticks> joysticks{};
};

thread_local Runtime rt;

KeySet keyBit(int virtualKey) {
    switch (virtualKey) {
    case platform::keyLeft:
        return KeyLeft;
    case platform::keyUp:
        return KeyUp;
    case platform::keyRight:
        return KeyRight;
    case platform::keyDown:
        return KeyDown;
    case platform::keyX:
        return KeyX;
    case platform::keyZ:
        return KeyZ;
    case platform::keyF11:
        return KeyF11;
    default:
        return 0;
    }
}

void paint() {
    rt.invalid = false;
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
        // As a valid pass code starts a stage.
        game::GameState& gs = rt.shell.state().gameState;
        gs.stageIndex = stage;
        gs.keypadCell = 0;
        gs.cursor = 0;
        app::beginStage(rt.shell.state(), &rt.window, stage);
    }
    // The window's first paint, before any tick.
    paint();
    rt.report.timerMs = rt.period;
    rt.bootReport = rt.report;
}

bool tick() {
    if (rt.quit) return false;
    rt.report = TickReport{};
    // Late ticks coalesce: a tick that is overdue fires once, now.
    if (rt.nextDue > rt.now) rt.now = rt.nextDue;
    rt.report.tickMs = rt.now;
    while (rt.nextDue <= rt.now) rt.nextDue += rt.period > 0 ? rt.period : 1;
    ++rt.ticks;
    rt.shell.onTimer(&rt.window);
    // The quit message is taken before any paint is generated.
    if (!rt.quit && rt.invalid) paint();
    rt.report.timerMs = rt.period;
    rt.report.quit = rt.quit;
    return true;
}

platform::Window* mainWindow() {
    return &rt.window;
}

void paintNow() {
    rt.report = TickReport{};
    paint();
}

void holdKeys(KeySet keys) {
    rt.pressedSinceQuery |= static_cast<KeySet>(keys & ~rt.held);
    rt.held = keys;
}

void tapKey(int virtualKey) {
    rt.pressedSinceQuery |= keyBit(virtualKey);
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
    return rt.now;
}
unsigned timerPeriodMs() {
    return rt.period;
}
bool quitPosted() {
    return rt.quit;
}
int exitCode() {
    return rt.exitCode;
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
    rt.period = periodMs;
    rt.nextDue = rt.now + periodMs;
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
    if (rt.painting) rt.target->pauseInPaint();
    rt.now += ms;
    rt.report.sleptMs += ms;
}

void playSound(const char* fileName) {
    if (rt.report.soundCount < headless::TickReport::maxSounds) {
        rt.report.sounds[rt.report.soundCount++] = fileName;
    }
}

short asyncKeyState(int virtualKey) {
    const headless::KeySet bit = headless::keyBit(virtualKey);
    if (bit == 0) return 0;
    const bool down = (rt.held & bit) != 0;
    const bool pressed = (rt.pressedSinceQuery & bit) != 0;
    rt.pressedSinceQuery = static_cast<headless::KeySet>(rt.pressedSinceQuery & ~bit);
    return static_cast<short>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

unsigned joystickDeviceCount() {
    return rt.joystickCount;
}

namespace {
constexpr unsigned joyErrUnplugged = 167;
}

unsigned joystickProbe(unsigned id) {
    return id < rt.joystickCount && rt.joysticks[id].plugged ? joyNoError : joyErrUnplugged;
}

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    if (joystickProbe(id) != joyNoError) return joyErrUnplugged;
    info.dwXpos = rt.joysticks[id].x;
    info.dwYpos = rt.joysticks[id].y;
    info.dwButtons = rt.joysticks[id].buttons;
    return joyNoError;
}

} // namespace kueruma::platform
