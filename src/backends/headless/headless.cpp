#include "backends/headless/headless.hpp"

#include "app/shell.hpp"
#include "backends/headless/counting_canvas.hpp"
#include "host/driver/backend.hpp"
#include "host/driver/driver.hpp"
#include "seam/machine.hpp"

#include <array>

namespace kueruma::headless {

namespace {

// The headless backend's own part of the program: the virtual clock, where paints go, what the
// last tick did, and the joysticks.
struct Runtime {
    PaintTarget* target = nullptr;
    CountingCanvas canvas;
    std::int64_t nowMs = 0;
    std::int64_t ticks = 0;
    TickReport report;
    TickReport bootReport;
    unsigned joystickCount = 0;
    std::array<VirtualJoystick, maxJoysticks> joysticks{};
    render::PaintOptions paintOptions;
};

thread_local Runtime rt;

loop::MessageLoop<driver::BackendClock>& messages() {
    return driver::program().loop;
}

} // namespace

void boot(PaintTarget* target, const app::RunStart& start) {
    const unsigned joystickCount = rt.joystickCount;
    const auto joysticks = rt.joysticks;
    const render::PaintOptions paintOptions = rt.paintOptions;
    rt = Runtime{};
    rt.joystickCount = joystickCount;
    rt.joysticks = joysticks;
    rt.paintOptions = paintOptions;
    rt.target = target;
    std::string error; // the virtual window always opens
    driver::open(start, error);
    rt.report.timerMs = driver::program().loop.timer().periodMs();
    rt.bootReport = rt.report;
}

bool tick() {
    loop::MessageLoop<driver::BackendClock>& queue = messages();
    if (queue.quitPosted()) return false;
    rt.report = TickReport{};
    // The clock moves on to the tick; a tick that is overdue fires once, now.
    driver::waitForEvent(queue.msUntilTick());
    rt.report.tickMs = rt.nowMs;
    queue.takeTick();
    ++rt.ticks;
    driver::fireTimer();
    driver::handlePending();
    rt.report.timerMs = queue.timer().periodMs();
    rt.report.quit = queue.quitPosted();
    return true;
}

seam::Window* mainWindow() {
    return &driver::program().window;
}

void paintNow() {
    rt.report = TickReport{};
    driver::paint();
}

void holdKeys(loop::KeySet keys) {
    messages().keys.hold(keys);
}

void tapKey(int virtualKey) {
    messages().keys.tap(loop::keyBit(virtualKey));
}

game::PlayState& state() {
    return driver::program().shell.state();
}

app::Shell& shell() {
    return driver::program().shell;
}

struct Snapshot {
    driver::Program program;
    Runtime runtime;
};

Snapshot* newSnapshot() {
    return new Snapshot{driver::program(), rt};
}
void deleteSnapshot(Snapshot* snapshot) {
    delete snapshot;
}

void save(Snapshot& snapshot) {
    snapshot.program = driver::program();
    snapshot.runtime = rt;
}

void restore(const Snapshot& snapshot) {
    driver::program() = snapshot.program;
    rt = snapshot.runtime;
}

const TickReport& lastReport() {
    return rt.report;
}
const TickReport& bootReport() {
    return rt.bootReport;
}
std::int64_t nowMs() {
    return rt.nowMs;
}
unsigned timerPeriodMs() {
    return messages().timer().periodMs();
}
bool quitPosted() {
    return messages().quitPosted();
}
int exitCode() {
    return messages().exitCode();
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

void setPaintOptions(const render::PaintOptions& options) {
    rt.paintOptions = options;
}

} // namespace kueruma::headless

// A virtual clock that moves only when told: pauses and waits cost no time, and no event ever
// arrives but the ones a test sends.
namespace kueruma::driver {

using headless::rt;

std::int64_t clockMs() {
    return rt.nowMs;
}

void pause(unsigned ms) {
    if (program().painting) rt.target->pauseInPaint();
    rt.nowMs += ms;
    rt.report.sleptMs += ms;
}

seam::Canvas* beginPaint() {
    rt.report.painted = true;
    rt.canvas.attach(rt.target->beginPaint());
    return rt.canvas.attached() ? &rt.canvas : nullptr;
}

render::PaintOptions paintOptions() {
    return rt.paintOptions;
}

void endPaint() {
    if (!rt.canvas.attached()) return;
    rt.target->endPaint();
    rt.report.pensCreated += rt.canvas.created();
    rt.report.pensDeleted += rt.canvas.deleted();
}

bool handleEvent() {
    return false;
}

void waitForEvent(std::int64_t ms) {
    if (ms > 0) rt.nowMs += ms;
}

bool openWindow(std::string&) {
    return true;
}
void shutDown() {}
void tickStarts() {}
void windowDestroyed() {}

} // namespace kueruma::driver

namespace kueruma::seam {

using headless::rt;

void playSound(const char* fileName) {
    if (rt.report.soundCount < headless::TickReport::maxSounds) {
        rt.report.sounds[rt.report.soundCount++] = fileName;
    }
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

} // namespace kueruma::seam
