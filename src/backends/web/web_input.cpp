#include "backends/web/web_input.hpp"

#include "backends/web/web_practice.hpp"

#include "app/input.hpp"
#include "backends/web/web_backend.hpp"
#include "host/driver/dpad.hpp"
#include "host/driver/driver.hpp"
#include "host/driver/practice.hpp"
#include "host/driver/start.hpp"
#include "seam/machine.hpp"

#include <emscripten/html5.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>
#include <vector>

namespace kueruma::web::input {

namespace {

// A settings key name as the page's key events carry it: by the key's value (letters in either
// case, the layout's own, as the desktop reads its keys), or by its place on the keyboard where
// only that tells it apart (left or right Shift, the keypad's digits).
struct BrowserKey {
    std::string key;
    std::string code;
};

BrowserKey browserKey(std::string_view name) {
    struct Spelling {
        std::string_view name;
        const char* browser;
    };
    static constexpr std::array<Spelling, 12> byCode{{
        {"LeftShift", "ShiftLeft"},
        {"RightShift", "ShiftRight"},
        {"LeftCtrl", "ControlLeft"},
        {"RightCtrl", "ControlRight"},
        {"LeftAlt", "AltLeft"},
        {"RightAlt", "AltRight"},
        {"KeypadEnter", "NumpadEnter"},
        {"KeypadPlus", "NumpadAdd"},
        {"KeypadMinus", "NumpadSubtract"},
        {"KeypadMultiply", "NumpadMultiply"},
        {"KeypadDivide", "NumpadDivide"},
        {"KeypadPeriod", "NumpadDecimal"},
    }};
    static constexpr std::array<Spelling, 6> byKey{{
        {"Left", "ArrowLeft"},
        {"Right", "ArrowRight"},
        {"Up", "ArrowUp"},
        {"Down", "ArrowDown"},
        {"Space", " "},
        {"Return", "Enter"},
    }};
    if (name.size() == 7 && name.starts_with("Keypad"))
        return {{}, "Numpad" + std::string(name.substr(6))};
    for (const Spelling& s : byCode) {
        if (s.name == name) return {{}, s.browser};
    }
    for (const Spelling& s : byKey) {
        if (s.name == name) return {s.browser, {}};
    }
    for (const settings::Punctuation& key : settings::punctuation) {
        if (key.name == name) return {std::string(key.character), {}};
    }
    // Letters, digits, F1 to F12, Tab, Home, Pause, ...: the browser's own names.
    return {std::string(name), {}};
}

bool sameKey(const BrowserKey& bound, const char* key, const char* code) {
    return bound.code.empty() ? strcasecmp(bound.key.c_str(), key) == 0 : bound.code == code;
}

// The keys the game asks about, and the pause, as the settings bind them.
struct KeyBinding {
    BrowserKey key;
    loop::KeySet bits;
    bool pauses;
};
using KeyTable = std::vector<KeyBinding>;

// The game's key each action stands for; pause is the page's own.
constexpr std::array<loop::KeySet, settings::actionCount> actionBits{
    loop::KeyLeft, loop::KeyRight, loop::KeyUp,  loop::KeyDown,
    loop::KeyX,    loop::KeyZ,     loop::KeyF11, 0};
constexpr auto pauseAction = static_cast<std::size_t>(settings::Action::pause);

KeyTable tableOf(const settings::Bindings& keys) {
    KeyTable table;
    bool gTaken = false;
    for (std::size_t action = 0; action < settings::actionCount; ++action) {
        for (const std::string& name : keys[action]) {
            table.push_back({browserKey(name), actionBits[action], action == pauseAction});
            gTaken = gTaken || name == "G";
        }
    }
    // Browsers keep F11 for their own full screen, so G does what F11 does while it is free.
    for (std::size_t action = 0; action < settings::actionCount && !gTaken; ++action) {
        const auto& names = keys[action];
        if (std::find(names.begin(), names.end(), "F11") != names.end())
            table.push_back({{"g", {}}, actionBits[action], action == pauseAction});
    }
    return table;
}

// The player's keys, and the defaults for key events without a place on the keyboard: those the
// touch controls send, which press the game's own keys whatever the keyboard is bound to.
KeyTable chosenKeys;
KeyTable touchKeys;

// Keys told apart by their place first, so the keypad's Enter is not Return.
const KeyBinding* bindingOf(const EmscriptenKeyboardEvent& event) {
    const KeyTable& table = event.code[0] == '\0' ? touchKeys : chosenKeys;
    for (const bool byPlace : {true, false}) {
        for (const KeyBinding& binding : table) {
            if (binding.key.code.empty() != byPlace && sameKey(binding.key, event.key, event.code))
                return &binding;
        }
    }
    return nullptr;
}

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

// clang-format off
// The page's own controls have the keys (the Settings panel is open).
EM_JS(int, pageHasKeys, (), { return kuerumaPage.pageHasKeys() ? 1 : 0; });
// clang-format on

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (pageHasKeys()) return EM_FALSE;
    if (practice::takeKey(event->key, event->repeat != 0, true)) return EM_TRUE;
    const KeyBinding* binding = bindingOf(*event);
    if (binding == nullptr) return EM_FALSE;
    if (binding->pauses) {
        if (!event->repeat) setPaused(!driver::paused());
    } else if (!driver::paused()) { // a paused game hears no keys: none is down when it goes on
        latch->press(binding->bits);
    }
    return EM_TRUE; // the arrows must not scroll the page
}

EM_BOOL onKeyUp(int, const EmscriptenKeyboardEvent* event, void*) {
    if (practice::takeKey(event->key, false, false)) return EM_TRUE;
    const KeyBinding* binding = bindingOf(*event);
    if (binding == nullptr) return EM_FALSE;
    latch->release(binding->bits);
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
    touchKeys = tableOf(settings::Settings::defaultKeys());
    if (chosenKeys.empty()) chosenKeys = touchKeys;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, onKeyDown);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, onKeyUp);
    emscripten_set_blur_callback(window, nullptr, EM_TRUE, onBlur);
}

void bindKeys(const settings::Bindings& keys) {
    chosenKeys = tableOf(keys);
}

std::string keyName(const char* key, const char* code) {
    for (const bool byPlace : {true, false}) {
        for (std::string_view name : settings::keyNames()) {
            const BrowserKey bound = browserKey(name);
            if (bound.code.empty() != byPlace && sameKey(bound, key, code))
                return std::string(name);
        }
    }
    return {};
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
