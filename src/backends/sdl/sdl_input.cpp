#include "backends/sdl/sdl_input.hpp"

#include "app/input.hpp"
#include "host/driver/dpad.hpp"
#include "host/driver/start.hpp"
#include "seam/machine.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace kueruma::sdl::input {

namespace {

// The keys the game asks about.
struct KeyBinding {
    SDL_Keycode key;
    loop::Key bit;
};
constexpr std::array<KeyBinding, 7> bindings{{
    {SDLK_LEFT, loop::KeyLeft},
    {SDLK_UP, loop::KeyUp},
    {SDLK_RIGHT, loop::KeyRight},
    {SDLK_DOWN, loop::KeyDown},
    {SDLK_x, loop::KeyX},
    {SDLK_z, loop::KeyZ},
    {SDLK_F11, loop::KeyF11},
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

loop::KeySet keyOf(SDL_Keycode key) {
    for (const KeyBinding& binding : bindings) {
        if (binding.key == key) return binding.bit;
    }
    return 0;
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
    if (driver::showingScript()) return loop::joyErrUnplugged;
    // SDL is kept from polling the devices in the background (an idle title screen should
    // cost nothing), so the first reading after time has passed asks them once for all.
    if (joysticksStale) {
        SDL_JoystickUpdate();
        reopenReturned();
        joysticksStale = false;
    }
    SDL_Joystick* joystick = usableJoystick(id);
    if (joystick == nullptr) return loop::joyErrUnplugged;
    driver::Dpad dpad;
    if (SDL_JoystickNumHats(joystick) > 0) {
        const Uint8 hat = SDL_JoystickGetHat(joystick, 0);
        dpad = {(hat & SDL_HAT_LEFT) != 0, (hat & SDL_HAT_RIGHT) != 0, (hat & SDL_HAT_UP) != 0,
                (hat & SDL_HAT_DOWN) != 0};
    }
    driver::readPad(info, axisReading(joystick, 0), axisReading(joystick, 1), dpad,
                    SDL_JoystickNumButtons(joystick),
                    [&](int b) { return SDL_JoystickGetButton(joystick, b) != 0; });
    return joyNoError;
}

} // namespace kueruma::seam
