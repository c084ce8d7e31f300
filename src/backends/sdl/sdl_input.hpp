// Keyboard and joysticks for the desktop backend: the game's keys among SDL's, and joysticks
// read the way the shell's multimedia joystick queries expect.
#pragma once

#include "files/settings/settings.hpp"
#include "host/loop/message_loop.hpp"

#include <SDL.h>

#include <cstdint>
#include <string_view>

namespace kueruma::sdl::input {

// The SDL key of one of settings::keyNames(); SDLK_UNKNOWN for any other name.
SDL_Keycode keyNamed(std::string_view name);
// The keys of each action from now on (until then, the default ones).
void bindKeys(const settings::Bindings& keys);
// The game's bits for a key, 0 for a key it never asks about.
loop::KeySet keyOf(SDL_Keycode key);
// The settings' name of an SDL key; empty for a key that has none.
std::string_view nameOfKey(SDL_Keycode key);
// The key is one of the pause action's.
bool pausesGame(SDL_Keycode key);

// The pad buttons of each action from now on (until then, the default ones).
void bindButtons(const settings::Bindings& buttons);

// Opens every pad SDL knows of now, each on its number; the first two numbers stay open for
// pads plugged in later, which take the first free one (an unplugged pad frees its number).
void openJoysticks();
void closeJoysticks();
// Time has passed: the next joystick reading asks the devices again.
void markJoysticksStale();
// A pad SDL maps is plugged in (its Start can end a pause).
bool padsAttached();

// What the pads ask of the program itself: their pause button went down, their give-up button
// has been held for a second, or it was let go sooner (a brief press opens the settings); and
// the buttons that went down since the last reading, bit i for settings::buttonNames()[i].
struct PadCommands {
    bool pause = false;
    bool giveUp = false;
    bool settings = false;
    std::uint32_t pressed = 0;
    bool rewind = false; // a pad's left shoulder is held: practice rewinds while it is
};
// Reads the pads now.
PadCommands padCommands();

} // namespace kueruma::sdl::input
