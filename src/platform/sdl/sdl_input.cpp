#include "platform/sdl/sdl_input.hpp"

#include "app/input.hpp"
#include "seam/platform.hpp"

#include <array>
#include <cstring>

namespace kueruma::sdl::input {

namespace {

// The keys the game asks about, in one table so key events and queries agree.
struct KeyBinding {
    int virtualKey;
    SDL_Keycode key;
};
constexpr std::array<KeyBinding, 7> bindings{{
    {platform::keyLeft, SDLK_LEFT},
    {platform::keyUp, SDLK_UP},
    {platform::keyRight, SDLK_RIGHT},
    {platform::keyDown, SDLK_DOWN},
    {platform::keyX, SDLK_x},
    {platform::keyZ, SDLK_z},
    {platform::keyF11, SDLK_F11},
}};

struct KeyState {
    bool down = false;
    // A press the game has not asked about yet: a tap shorter than a tick still counts once.
    bool pressedSinceQuery = false;
};
std::array<KeyState, bindings.size()> keys{};

// The multimedia joystick interface numbers up to 16 devices.
constexpr int maxJoysticks = 16;
std::array<SDL_Joystick*, maxJoysticks> joysticks{};
// What each number's device was, to know it when it is plugged in again.
std::array<SDL_JoystickGUID, maxJoysticks> guids{};
unsigned joystickCount = 0;
bool joysticksStale = true;

constexpr unsigned joyErrUnplugged = 167;
constexpr std::uint32_t axisMax = 0xFFFF;

int slotOfKey(SDL_Keycode key) {
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        if (bindings[i].key == key) return static_cast<int>(i);
    }
    return -1;
}

int slotOfVirtualKey(int virtualKey) {
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        if (bindings[i].virtualKey == virtualKey) return static_cast<int>(i);
    }
    return -1;
}

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

// A D-pad (reported as a hat) steers as the stick pushed all the way, on an axis where the
// stick itself is centred: the two combine, and a pushed stick is never overridden.
std::uint32_t withDpad(std::uint32_t axis, bool towardsZero, bool towardsMax) {
    if (axis < app::axisLowEdge || axis >= app::axisHighEdge) return axis;
    if (towardsZero) return 0;
    if (towardsMax) return axisMax;
    return axis;
}

SDL_Joystick* usableJoystick(unsigned id) {
    if (id >= joystickCount) return nullptr;
    SDL_Joystick* joystick = joysticks[id];
    return joystick != nullptr && SDL_JoystickGetAttached(joystick) ? joystick : nullptr;
}

} // namespace

void keyDown(SDL_Keycode key) {
    const int slot = slotOfKey(key);
    if (slot < 0) return;
    KeyState& state = keys[static_cast<std::size_t>(slot)];
    if (!state.down) state.pressedSinceQuery = true;
    state.down = true;
}

void keyUp(SDL_Keycode key) {
    const int slot = slotOfKey(key);
    if (slot >= 0) keys[static_cast<std::size_t>(slot)].down = false;
}

void releaseHeldKeys() {
    for (KeyState& state : keys) state.down = false;
}

void forgetKeys() {
    keys = {};
}

void openJoysticks() {
    closeJoysticks();
    const int count = SDL_NumJoysticks();
    joystickCount =
        count > 0 ? static_cast<unsigned>(count < maxJoysticks ? count : maxJoysticks) : 0;
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

namespace kueruma::platform {

using namespace sdl::input;

short asyncKeyState(int virtualKey) {
    const int slot = slotOfVirtualKey(virtualKey);
    if (slot < 0) return 0;
    KeyState& state = keys[static_cast<std::size_t>(slot)];
    const short result =
        static_cast<short>((state.down ? 0x8000 : 0) | (state.pressedSinceQuery ? 1 : 0));
    state.pressedSinceQuery = false;
    return result;
}

unsigned joystickDeviceCount() {
    return joystickCount;
}

unsigned joystickProbe(unsigned id) {
    return usableJoystick(id) != nullptr ? joyNoError : joyErrUnplugged;
}

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    // SDL is kept from polling the devices in the background (an idle title screen should
    // cost nothing), so the first reading after time has passed asks them once for all.
    if (joysticksStale) {
        SDL_JoystickUpdate();
        reopenReturned();
        joysticksStale = false;
    }
    SDL_Joystick* joystick = usableJoystick(id);
    if (joystick == nullptr) return joyErrUnplugged;
    info.dwXpos = axisReading(joystick, 0);
    info.dwYpos = axisReading(joystick, 1);
    if (SDL_JoystickNumHats(joystick) > 0) {
        const Uint8 hat = SDL_JoystickGetHat(joystick, 0);
        info.dwXpos = withDpad(info.dwXpos, hat & SDL_HAT_LEFT, hat & SDL_HAT_RIGHT);
        info.dwYpos = withDpad(info.dwYpos, hat & SDL_HAT_UP, hat & SDL_HAT_DOWN);
    }
    std::uint32_t buttons = 0;
    const int buttonCount = SDL_JoystickNumButtons(joystick);
    for (int b = 0; b < buttonCount && b < 32; ++b) {
        if (SDL_JoystickGetButton(joystick, b)) buttons |= std::uint32_t{1} << b;
    }
    info.dwButtons = buttons;
    return joyNoError;
}

} // namespace kueruma::platform
