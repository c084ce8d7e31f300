#include "backends/sdl/sdl_input.hpp"

#include "app/input.hpp"
#include "host/driver/dpad.hpp"
#include "host/driver/start.hpp"
#include "seam/machine.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace kueruma::sdl::input {

namespace {

// The keys the game asks about, as the settings bind them (by default the arrows, X, Z, F11).
struct KeyBinding {
    SDL_Keycode key;
    loop::KeySet bits;
    bool pauses;
};
std::vector<KeyBinding> bindings;

// The game's key each action stands for; pause is the backend's own.
constexpr std::array<loop::KeySet, settings::actionCount> actionBits{
    loop::KeyLeft, loop::KeyRight, loop::KeyUp,  loop::KeyDown,
    loop::KeyX,    loop::KeyZ,     loop::KeyF11, 0};

// SDL's names for the settings' key names that it spells otherwise (punctuation aside).
struct Spelling {
    std::string_view name;
    const char* sdlName;
};
constexpr std::array<Spelling, 12> spellings{{
    {"LeftShift", "Left Shift"},
    {"RightShift", "Right Shift"},
    {"LeftCtrl", "Left Ctrl"},
    {"RightCtrl", "Right Ctrl"},
    {"LeftAlt", "Left Alt"},
    {"RightAlt", "Right Alt"},
    {"KeypadEnter", "Keypad Enter"},
    {"KeypadPlus", "Keypad +"},
    {"KeypadMinus", "Keypad -"},
    {"KeypadMultiply", "Keypad *"},
    {"KeypadDivide", "Keypad /"},
    {"KeypadPeriod", "Keypad ."},
}};

// Every pad SDL can map (its game-controller database, SDL_GAMECONTROLLERCONFIG, a mappings file
// named by SDL_GAMECONTROLLERCONFIG_FILE) is read by the buttons' places; any other by its raw
// buttons, button 1 jumping and button 2 kicking.
struct Pad {
    SDL_Joystick* joystick = nullptr;
    SDL_GameController* controller = nullptr;
    // When the give-up button went down (0: it is up), and whether it has given up since.
    Uint64 giveUpSince = 0;
    bool gaveUp = false;
    bool pauseWasDown = false;
    // The buttons down at the last reading, bit i for settings::buttonNames()[i].
    std::uint32_t buttonsWere = 0;
};

// A give-up button gives up once held this long, so a brush against it does not.
constexpr Uint64 giveUpHoldMs = 1000;
// Pads are always looked for on the first two numbers, so one plugged in later is played.
constexpr unsigned alwaysOpenNumbers = 2;

std::array<Pad, loop::maxJoysticks> pads{};
unsigned joystickCount = 0;
bool joysticksStale = true;
// The pad buttons of each action, as SDL's game-controller buttons.
std::array<std::vector<SDL_GameControllerButton>, settings::actionCount> buttonBindings;

constexpr std::array<SDL_GameControllerButton, 14> buttonsByName{
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT};

// SDL's -32768..32767 onto the multimedia interface's 0..0xFFFF, centre at 0x8000.
std::uint32_t axisReading(SDL_Joystick* joystick, int axis) {
    if (axis >= SDL_JoystickNumAxes(joystick)) return 0x8000;
    return static_cast<std::uint32_t>(SDL_JoystickGetAxis(joystick, axis) + 32768);
}

std::uint32_t axisReading(SDL_GameController* controller, SDL_GameControllerAxis axis) {
    return static_cast<std::uint32_t>(SDL_GameControllerGetAxis(controller, axis) + 32768);
}

bool anyDown(SDL_GameController* controller, settings::Action action) {
    const auto& list = buttonBindings[static_cast<std::size_t>(action)];
    return std::any_of(list.begin(), list.end(), [controller](SDL_GameControllerButton button) {
        return SDL_GameControllerGetButton(controller, button) != 0;
    });
}

void release(Pad& pad) {
    if (pad.controller != nullptr) {
        SDL_GameControllerClose(pad.controller);
    } else if (pad.joystick != nullptr) {
        SDL_JoystickClose(pad.joystick);
    }
    pad = Pad{};
}

bool attached(const Pad& pad) {
    return pad.joystick != nullptr && SDL_JoystickGetAttached(pad.joystick);
}

bool openedByNumber(SDL_JoystickID instance) {
    return std::any_of(pads.begin(), pads.begin() + joystickCount, [instance](const Pad& pad) {
        return attached(pad) && SDL_JoystickInstanceID(pad.joystick) == instance;
    });
}

void open(Pad& pad, int index) {
    if (SDL_IsGameController(index)) {
        pad.controller = SDL_GameControllerOpen(index);
        if (pad.controller != nullptr) pad.joystick = SDL_GameControllerGetJoystick(pad.controller);
    }
    if (pad.joystick == nullptr) pad.joystick = SDL_JoystickOpen(index);
}

// An unplugged pad frees its number; a pad plugged in takes the first free one.
void takeInNewPads() {
    for (unsigned id = 0; id < joystickCount; ++id) {
        if (pads[id].joystick != nullptr && !attached(pads[id])) release(pads[id]);
    }
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (openedByNumber(SDL_JoystickGetDeviceInstanceID(index))) continue;
        const auto free = std::find_if(pads.begin(), pads.begin() + joystickCount,
                                       [](const Pad& pad) { return pad.joystick == nullptr; });
        if (free == pads.begin() + joystickCount) break;
        open(*free, index);
    }
}

void updateJoysticks() {
    if (!joysticksStale) return;
    SDL_JoystickUpdate();
    takeInNewPads();
    joysticksStale = false;
}

Pad* usablePad(unsigned id) {
    if (id >= joystickCount) return nullptr;
    return attached(pads[id]) ? &pads[id] : nullptr;
}

// The first hat as a D-pad on the two axes.
void steerWithHat(SDL_Joystick* joystick, seam::JoyInfoEx& info) {
    const Uint8 hat = SDL_JoystickGetHat(joystick, 0);
    info.dwXpos = driver::withDpad(info.dwXpos, hat & SDL_HAT_LEFT, hat & SDL_HAT_RIGHT);
    info.dwYpos = driver::withDpad(info.dwYpos, hat & SDL_HAT_UP, hat & SDL_HAT_DOWN);
}

// The raw buttons from number `first` on, each as its bit.
std::uint32_t rawButtons(SDL_Joystick* joystick, int first) {
    std::uint32_t buttons = 0;
    const int buttonCount = SDL_JoystickNumButtons(joystick);
    for (int b = first; b < buttonCount && b < 32; ++b) {
        if (SDL_JoystickGetButton(joystick, b)) buttons |= std::uint32_t{1} << b;
    }
    return buttons;
}

void readController(SDL_GameController* controller, seam::JoyInfoEx& info) {
    using settings::Action;
    info.dwXpos = axisReading(controller, SDL_CONTROLLER_AXIS_LEFTX);
    info.dwYpos = axisReading(controller, SDL_CONTROLLER_AXIS_LEFTY);
    info.dwXpos = driver::withDpad(info.dwXpos, anyDown(controller, Action::left),
                                   anyDown(controller, Action::right));
    info.dwYpos = driver::withDpad(info.dwYpos, anyDown(controller, Action::up),
                                   anyDown(controller, Action::down));
    SDL_Joystick* joystick = SDL_GameControllerGetJoystick(controller);
    // A mapping that names no D-pad (SDL's guess for a pad it does not know) leaves the hat
    // steering as it does on a raw pad.
    if (SDL_GameControllerGetBindForButton(controller, SDL_CONTROLLER_BUTTON_DPAD_UP).bindType ==
            SDL_CONTROLLER_BINDTYPE_NONE &&
        SDL_JoystickNumHats(joystick) > 0) {
        steerWithHat(joystick, info);
    }
    // The game's button 1 jumps and button 2 kicks; the pad's other buttons keep their raw
    // numbers above those two, where the game reads nothing.
    std::uint32_t buttons = rawButtons(joystick, 2);
    if (anyDown(controller, Action::jump)) buttons |= 1U;
    if (anyDown(controller, Action::kick)) buttons |= 2U;
    info.dwButtons = buttons;
}

void readRaw(SDL_Joystick* joystick, seam::JoyInfoEx& info) {
    // The first hat, if any, is the D-pad.
    const Uint8 hat = SDL_JoystickNumHats(joystick) > 0 ? SDL_JoystickGetHat(joystick, 0) : 0;
    driver::readPad(info, axisReading(joystick, 0), axisReading(joystick, 1),
                    {(hat & SDL_HAT_LEFT) != 0, (hat & SDL_HAT_RIGHT) != 0, (hat & SDL_HAT_UP) != 0,
                     (hat & SDL_HAT_DOWN) != 0},
                    SDL_JoystickNumButtons(joystick),
                    [joystick](int b) { return SDL_JoystickGetButton(joystick, b) != 0; });
}

} // namespace

SDL_Keycode keyNamed(std::string_view name) {
    std::string sdlName(name);
    for (const Spelling& spelling : spellings) {
        if (spelling.name == name) sdlName = spelling.sdlName;
    }
    for (const settings::Punctuation& key : settings::punctuation) {
        if (key.name == name) sdlName = key.character;
    }
    // "Keypad0" is SDL's "Keypad 0".
    if (name.size() == 7 && name.starts_with("Keypad")) sdlName = "Keypad " + sdlName.substr(6);
    return SDL_GetKeyFromName(sdlName.c_str());
}

void bindKeys(const settings::Bindings& keys) {
    bindings.clear();
    for (std::size_t action = 0; action < settings::actionCount; ++action) {
        for (const std::string& name : keys[action]) {
            const SDL_Keycode key = keyNamed(name);
            if (key != SDLK_UNKNOWN) {
                bindings.push_back(
                    KeyBinding{key, actionBits[action],
                               action == static_cast<std::size_t>(settings::Action::pause)});
            }
        }
    }
}

loop::KeySet keyOf(SDL_Keycode key) {
    if (bindings.empty()) bindKeys(settings::Settings::defaultKeys());
    loop::KeySet bits = 0;
    for (const KeyBinding& binding : bindings) {
        if (binding.key == key) bits = static_cast<loop::KeySet>(bits | binding.bits);
    }
    return bits;
}

std::string_view nameOfKey(SDL_Keycode key) {
    if (key == SDLK_UNKNOWN) return {};
    for (std::string_view name : settings::keyNames()) {
        if (keyNamed(name) == key) return name;
    }
    return {};
}

bool pausesGame(SDL_Keycode key) {
    if (bindings.empty()) bindKeys(settings::Settings::defaultKeys());
    return std::any_of(bindings.begin(), bindings.end(), [key](const KeyBinding& binding) {
        return binding.pauses && binding.key == key;
    });
}

void bindButtons(const settings::Bindings& buttons) {
    for (std::size_t action = 0; action < settings::actionCount; ++action) {
        buttonBindings[action].clear();
        for (const std::string& name : buttons[action]) {
            const auto& names = settings::buttonNames();
            const auto found = std::find(names.begin(), names.end(), name);
            if (found != names.end()) {
                buttonBindings[action].push_back(
                    buttonsByName[static_cast<std::size_t>(found - names.begin())]);
            }
        }
    }
}

void openJoysticks() {
    closeJoysticks();
    if (buttonBindings[0].empty()) bindButtons(settings::Settings::defaultButtons());
    const int count = SDL_NumJoysticks();
    joystickCount = std::min(std::max(static_cast<unsigned>(std::max(count, 0)), alwaysOpenNumbers),
                             loop::maxJoysticks);
    for (unsigned i = 0; i < joystickCount && static_cast<int>(i) < count; ++i) {
        open(pads[i], static_cast<int>(i));
    }
    joysticksStale = true;
}

void closeJoysticks() {
    for (Pad& pad : pads) release(pad);
    joystickCount = 0;
}

void markJoysticksStale() {
    joysticksStale = true;
}

bool padsAttached() {
    return std::any_of(pads.begin(), pads.begin() + joystickCount,
                       [](const Pad& pad) { return pad.controller != nullptr; });
}

PadCommands padCommands() {
    joysticksStale = true;
    updateJoysticks();
    PadCommands commands;
    const Uint64 now = SDL_GetTicks64();
    for (unsigned id = 0; id < joystickCount; ++id) {
        Pad& pad = pads[id];
        if (pad.controller == nullptr || !attached(pad)) continue;
        std::uint32_t buttons = 0;
        for (std::size_t b = 0; b < buttonsByName.size(); ++b) {
            if (SDL_GameControllerGetButton(pad.controller, buttonsByName[b]) != 0)
                buttons |= std::uint32_t{1} << b;
        }
        commands.pressed |= buttons & ~pad.buttonsWere;
        pad.buttonsWere = buttons;
        const bool pauseDown = anyDown(pad.controller, settings::Action::pause);
        if (pauseDown && !pad.pauseWasDown) commands.pause = true;
        pad.pauseWasDown = pauseDown;
        if (SDL_GameControllerGetButton(pad.controller, SDL_CONTROLLER_BUTTON_LEFTSHOULDER) != 0)
            commands.rewind = true;
        if (!anyDown(pad.controller, settings::Action::giveUp)) {
            if (pad.giveUpSince != 0 && !pad.gaveUp) commands.settings = true;
            pad.giveUpSince = 0;
            pad.gaveUp = false;
        } else if (pad.giveUpSince == 0) {
            pad.giveUpSince = now;
        } else if (!pad.gaveUp && now - pad.giveUpSince >= giveUpHoldMs) {
            pad.gaveUp = true;
            commands.giveUp = true;
        }
    }
    return commands;
}

} // namespace kueruma::sdl::input

namespace kueruma::seam {

using namespace sdl::input;

unsigned joystickDeviceCount() {
    return joystickCount;
}

unsigned joystickProbe(unsigned id) {
    // The first two numbers answer even while empty, so the game keeps them for a pad
    // plugged in later.
    if (id < alwaysOpenNumbers && id < joystickCount) return joyNoError;
    return usablePad(id) != nullptr ? joyNoError : loop::joyErrUnplugged;
}

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    if (driver::showingScript()) return loop::joyErrUnplugged;
    // SDL is kept from polling the devices in the background (an idle title screen should
    // cost nothing), so the first reading after time has passed asks them once for all.
    updateJoysticks();
    const Pad* pad = usablePad(id);
    if (pad == nullptr) return loop::joyErrUnplugged;
    if (pad->controller != nullptr) {
        readController(pad->controller, info);
    } else {
        readRaw(pad->joystick, info);
    }
    return joyNoError;
}

} // namespace kueruma::seam
