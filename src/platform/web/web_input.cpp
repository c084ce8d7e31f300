#include "platform/web/web_input.hpp"

#include "seam/platform.hpp"

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
    int virtualKey;
    const char* key;
};
constexpr std::array<KeyBinding, 8> bindings{{
    {platform::keyLeft, "ArrowLeft"},
    {platform::keyUp, "ArrowUp"},
    {platform::keyRight, "ArrowRight"},
    {platform::keyDown, "ArrowDown"},
    {platform::keyX, "x"},
    {platform::keyZ, "z"},
    {platform::keyF11, "F11"},
    {platform::keyF11, "g"},
}};

struct KeyState {
    bool down = false;
    // A press the game has not asked about yet: a tap shorter than a tick still counts once.
    bool pressedSinceQuery = false;
};
std::array<KeyState, bindings.size()> keys{};

// The game has two joystick slots; the page offers the first two gamepads the browser shows.
constexpr unsigned padSlots = 2;
constexpr unsigned joyErrUnplugged = 167;
constexpr std::uint32_t axisMax = 0xFFFF;
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

int slotOfKey(const char* key) {
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        if (strcasecmp(bindings[i].key, key) == 0) return static_cast<int>(i);
    }
    return -1;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    const int slot = slotOfKey(event->key);
    if (slot < 0) return EM_FALSE;
    KeyState& state = keys[static_cast<std::size_t>(slot)];
    if (!state.down) state.pressedSinceQuery = true;
    state.down = true;
    return EM_TRUE; // the arrows must not scroll the page
}

EM_BOOL onKeyUp(int, const EmscriptenKeyboardEvent* event, void*) {
    const int slot = slotOfKey(event->key);
    if (slot < 0) return EM_FALSE;
    keys[static_cast<std::size_t>(slot)].down = false;
    return EM_TRUE;
}

// The page no longer hears the keyboard: nothing it will hear about is still held.
EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    for (KeyState& state : keys) state.down = false;
    return EM_FALSE;
}

// The Gamepad API's -1..1 onto the multimedia interface's 0..0xFFFF, as the desktop maps its
// -32768..32767: centre at 0x8000, and a half push lands on the first centred value.
std::uint32_t axisReading(double axis) {
    if (!std::isfinite(axis)) return 0x8000;
    const double scaled = std::floor((axis + 1.0) * 32768.0);
    if (scaled <= 0.0) return 0;
    return scaled >= axisMax ? axisMax : static_cast<std::uint32_t>(scaled);
}

bool isDpadButton(const EmscriptenGamepadEvent& pad, int button) {
    return std::strcmp(pad.mapping, "standard") == 0 && button >= dpadUp && button <= dpadRight;
}

void fillJoyInfo(const EmscriptenGamepadEvent& pad, platform::JoyInfoEx& info) {
    info.dwXpos = axisReading(pad.numAxes > 0 ? pad.axis[0] : 0.0);
    info.dwYpos = axisReading(pad.numAxes > 1 ? pad.axis[1] : 0.0);
    std::uint32_t buttons = 0;
    for (int b = 0; b < pad.numButtons && b < 32; ++b) {
        if (pad.digitalButton[b] == 0) continue;
        // A D-pad steers as a stick pushed all the way, as on the desktop.
        if (isDpadButton(pad, b)) {
            if (b == dpadLeft) info.dwXpos = 0;
            if (b == dpadRight) info.dwXpos = axisMax;
            if (b == dpadUp) info.dwYpos = 0;
            if (b == dpadDown) info.dwYpos = axisMax;
            continue;
        }
        buttons |= std::uint32_t{1} << b;
    }
    info.dwButtons = buttons;
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

void listen() {
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, onKeyDown);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, onKeyUp);
    emscripten_set_blur_callback(window, nullptr, EM_TRUE, onBlur);
}

void forgetKeys() {
    keys = {};
}

void markJoysticksStale() {
    pads.stale = true;
}

} // namespace kueruma::web::input

namespace kueruma::platform {

using namespace web::input;

short asyncKeyState(int virtualKey) {
    bool down = false;
    bool pressed = false;
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        if (bindings[i].virtualKey != virtualKey) continue;
        down = down || keys[i].down;
        pressed = pressed || keys[i].pressedSinceQuery;
        keys[i].pressedSinceQuery = false;
    }
    return static_cast<short>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

unsigned joystickDeviceCount() {
    return padSlots;
}

// Both slots always answer: a pad the browser has not shown yet reads as released.
unsigned joystickProbe(unsigned id) {
    return id < padSlots ? joyNoError : joyErrUnplugged;
}

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    samplePads();
    if (id >= pads.count) return joyErrUnplugged;
    fillJoyInfo(pads.state[id], info);
    return joyNoError;
}

} // namespace kueruma::platform
