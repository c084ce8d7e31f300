#include "backends/web/web_input.hpp"

#include "backends/web/web_practice.hpp"

#include "app/input.hpp"
#include "host/driver/dpad.hpp"
#include "host/driver/practice.hpp"
#include "host/driver/start.hpp"
#include "seam/machine.hpp"

#include <emscripten/html5.h>

#include <array>
#include <cmath>
#include <cstring>
#include <strings.h>

namespace kueruma::web::input {

namespace {

// The keys the game asks about, by the names the page's key events carry (letters in either
// case). Browsers keep F11 for their own full screen, so G gives up too.
struct KeyBinding {
    loop::KeySet bit;
    const char* key;
};
constexpr std::array<KeyBinding, 8> bindings{{
    {loop::KeyLeft, "ArrowLeft"},
    {loop::KeyUp, "ArrowUp"},
    {loop::KeyRight, "ArrowRight"},
    {loop::KeyDown, "ArrowDown"},
    {loop::KeyX, "x"},
    {loop::KeyZ, "z"},
    {loop::KeyF11, "F11"},
    {loop::KeyF11, "g"},
}};

loop::KeyLatch* latch = nullptr;

// The game has two joystick slots; the page offers the first two gamepads the browser shows.
constexpr unsigned padSlots = 2;
// The standard layout's D-pad buttons: up, down, left, right.
constexpr int dpadUp = 12;
constexpr int dpadDown = 13;
constexpr int dpadLeft = 14;
constexpr int dpadRight = 15;

struct Pads {
    std::array<EmscriptenGamepadEvent, padSlots> state{};
    unsigned count = 0;
    bool stale = true;
};
Pads pads;

loop::KeySet keyOf(const char* key) {
    for (const KeyBinding& binding : bindings) {
        if (strcasecmp(binding.key, key) == 0) return binding.bit;
    }
    return 0;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (practice::takeKey(event->key, event->repeat != 0, true)) return EM_TRUE;
    const loop::KeySet key = keyOf(event->key);
    if (key == 0) return EM_FALSE;
    latch->press(key);
    return EM_TRUE; // the arrows must not scroll the page
}

EM_BOOL onKeyUp(int, const EmscriptenKeyboardEvent* event, void*) {
    if (practice::takeKey(event->key, false, false)) return EM_TRUE;
    const loop::KeySet key = keyOf(event->key);
    if (key == 0) return EM_FALSE;
    latch->release(key);
    return EM_TRUE;
}

// The page no longer hears the keyboard: nothing it will hear about is still held.
EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    latch->releaseAll();
    driver::practice::setRewinding(false);
    return EM_FALSE;
}

// The Gamepad API's -1..1 onto the multimedia interface's 0..0xFFFF, as the desktop maps its
// -32768..32767: centre at 0x8000, and a half push lands on the first centred value.
std::uint32_t axisReading(double axis) {
    if (!std::isfinite(axis)) return 0x8000;
    const double scaled = std::floor((axis + 1.0) * 32768.0);
    if (scaled <= 0.0) return 0;
    return scaled >= driver::axisMax ? driver::axisMax : static_cast<std::uint32_t>(scaled);
}

bool pressed(const EmscriptenGamepadEvent& pad, int button) {
    return button < pad.numButtons && pad.digitalButton[button] != 0;
}

void fillJoyInfo(const EmscriptenGamepadEvent& pad, seam::JoyInfoEx& info) {
    // Only the standard layout says which buttons make the D-pad; they are no buttons then.
    const bool standard = std::strcmp(pad.mapping, "standard") == 0;
    driver::Dpad dpad;
    if (standard) {
        dpad = {pressed(pad, dpadLeft), pressed(pad, dpadRight), pressed(pad, dpadUp),
                pressed(pad, dpadDown)};
    }
    driver::readPad(info, axisReading(pad.numAxes > 0 ? pad.axis[0] : 0.0),
                    axisReading(pad.numAxes > 1 ? pad.axis[1] : 0.0), dpad, pad.numButtons,
                    [&](int b) {
                        const bool isDpad = standard && b >= dpadUp && b <= dpadRight;
                        return pressed(pad, b) && !isDpad;
                    });
}

// Browsers show a gamepad only once a button has been pressed on it, often after the game has
// started, so the first two connected pads are looked up afresh whenever time has passed.
void samplePads() {
    if (!pads.stale) return;
    pads.stale = false;
    pads.count = 0;
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    const int available = emscripten_get_num_gamepads();
    for (int i = 0; i < available && pads.count < padSlots; ++i) {
        EmscriptenGamepadEvent& pad = pads.state[pads.count];
        if (emscripten_get_gamepad_status(i, &pad) == EMSCRIPTEN_RESULT_SUCCESS && pad.connected)
            ++pads.count;
    }
}

} // namespace

void listen(loop::KeyLatch& keys) {
    latch = &keys;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, onKeyDown);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, onKeyUp);
    emscripten_set_blur_callback(window, nullptr, EM_TRUE, onBlur);
}

void markJoysticksStale() {
    pads.stale = true;
}

} // namespace kueruma::web::input

namespace kueruma::seam {

// Both slots always answer: a pad the browser has not shown yet reads as released.
unsigned joystickProbe(unsigned id) {
    return id < web::input::padSlots ? joyNoError : loop::joyErrUnplugged;
}

unsigned joystickDeviceCount() {
    return web::input::padSlots;
}

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    // While a run is shown, its keys hold the joysticks' input too.
    if (driver::showingScript()) return loop::joyErrUnplugged;
    web::input::samplePads();
    if (id >= web::input::pads.count) return loop::joyErrUnplugged;
    web::input::fillJoyInfo(web::input::pads.state[id], info);
    return joyNoError;
}

} // namespace kueruma::seam
