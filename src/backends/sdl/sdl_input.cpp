#include "backends/sdl/sdl_input.hpp"

#include "app/input.hpp"
#include "files/record/session.hpp"
#include "host/driver/dpad.hpp"
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

// SDL's names for the settings' key names that it spells otherwise.
struct Spelling {
    std::string_view name;
    const char* sdlName;
};
constexpr std::array<Spelling, 23> spellings{{
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
    {"Comma", ","},
    {"Period", "."},
    {"Slash", "/"},
    {"Semicolon", ";"},
    {"Apostrophe", "'"},
    {"LeftBracket", "["},
    {"RightBracket", "]"},
    {"Backslash", "\\"},
    {"Minus", "-"},
    {"Equals", "="},
    {"Backquote", "`"},
}};

std::array<SDL_Joystick*, loop::maxJoysticks> joysticks{};
// What each number's device was, to know it when it is plugged in again.
std::array<SDL_JoystickGUID, loop::maxJoysticks> guids{};
unsigned joystickCount = 0;
bool joysticksStale = true;

// SDL's -32768..32767 onto the multimedia interface's 0..0xFFFF, centre at 0x8000.
std::uint32_t axisReading(SDL_Joystick* joystick, int axis) {
    if (axis >= SDL_JoystickNumAxes(joystick)) return 0x8000;
    return static_cast<std::uint32_t>(SDL_JoystickGetAxis(joystick, axis) + 32768);
}

bool sameGuid(const SDL_JoystickGUID& a, const SDL_JoystickGUID& b) {
    return std::memcmp(a.data, b.data, sizeof a.data) == 0;
}

bool openedByNumber(SDL_JoystickID instance) {
    for (unsigned id = 0; id < joystickCount; ++id) {
        if (joysticks[id] != nullptr && SDL_JoystickGetAttached(joysticks[id]) &&
            SDL_JoystickInstanceID(joysticks[id]) == instance) {
            return true;
        }
    }
    return false;
}

// A number keeps its device for the life of the program: one unplugged and plugged in again
// (known by its GUID) is opened into its old number.
void reopenReturned() {
    for (unsigned id = 0; id < joystickCount; ++id) {
        if (joysticks[id] == nullptr || SDL_JoystickGetAttached(joysticks[id])) continue;
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (!sameGuid(SDL_JoystickGetDeviceGUID(index), guids[id]) ||
                openedByNumber(SDL_JoystickGetDeviceInstanceID(index))) {
                continue;
            }
            if (SDL_Joystick* returned = SDL_JoystickOpen(index)) {
                SDL_JoystickClose(joysticks[id]);
                joysticks[id] = returned;
            }
            break;
        }
    }
}

SDL_Joystick* usableJoystick(unsigned id) {
    if (id >= joystickCount) return nullptr;
    SDL_Joystick* joystick = joysticks[id];
    return joystick != nullptr && SDL_JoystickGetAttached(joystick) ? joystick : nullptr;
}

} // namespace

SDL_Keycode keyNamed(std::string_view name) {
    std::string sdlName(name);
    for (const Spelling& spelling : spellings) {
        if (spelling.name == name) sdlName = spelling.sdlName;
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

bool pausesGame(SDL_Keycode key) {
    if (bindings.empty()) bindKeys(settings::Settings::defaultKeys());
    return std::any_of(bindings.begin(), bindings.end(), [key](const KeyBinding& binding) {
        return binding.pauses && binding.key == key;
    });
}

void openJoysticks() {
    closeJoysticks();
    const int count = SDL_NumJoysticks();
    joystickCount = std::min(static_cast<unsigned>(std::max(count, 0)), loop::maxJoysticks);
    for (unsigned i = 0; i < joystickCount; ++i) {
        joysticks[i] = SDL_JoystickOpen(static_cast<int>(i));
        guids[i] = SDL_JoystickGetDeviceGUID(static_cast<int>(i));
    }
    joysticksStale = true;
}

void closeJoysticks() {
    for (SDL_Joystick*& joystick : joysticks) {
        if (joystick != nullptr) SDL_JoystickClose(joystick);
        joystick = nullptr;
    }
    joystickCount = 0;
}

void markJoysticksStale() {
    joysticksStale = true;
}

} // namespace kueruma::sdl::input

namespace kueruma::seam {

using namespace sdl::input;

unsigned joystickDeviceCount() {
    return joystickCount;
}

unsigned joystickProbe(unsigned id) {
    return usableJoystick(id) != nullptr ? joyNoError : loop::joyErrUnplugged;
}

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    if (record::session().showingScript()) return loop::joyErrUnplugged;
    // SDL is kept from polling the devices in the background (an idle title screen should
    // cost nothing), so the first reading after time has passed asks them once for all.
    if (joysticksStale) {
        SDL_JoystickUpdate();
        reopenReturned();
        joysticksStale = false;
    }
    SDL_Joystick* joystick = usableJoystick(id);
    if (joystick == nullptr) return loop::joyErrUnplugged;
    info.dwXpos = axisReading(joystick, 0);
    info.dwYpos = axisReading(joystick, 1);
    if (SDL_JoystickNumHats(joystick) > 0) {
        const Uint8 hat = SDL_JoystickGetHat(joystick, 0);
        info.dwXpos = driver::withDpad(info.dwXpos, hat & SDL_HAT_LEFT, hat & SDL_HAT_RIGHT);
        info.dwYpos = driver::withDpad(info.dwYpos, hat & SDL_HAT_UP, hat & SDL_HAT_DOWN);
    }
    std::uint32_t buttons = 0;
    const int buttonCount = SDL_JoystickNumButtons(joystick);
    for (int b = 0; b < buttonCount && b < 32; ++b) {
        if (SDL_JoystickGetButton(joystick, b)) buttons |= std::uint32_t{1} << b;
    }
    info.dwButtons = buttons;
    return joyNoError;
}

} // namespace kueruma::seam
