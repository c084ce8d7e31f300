// Keyboard and joysticks for the desktop backend: the game's keys among SDL's, and joysticks
// read the way the shell's multimedia joystick queries expect.
#pragma once

#include "files/settings/settings.hpp"
#include "host/loop/message_loop.hpp"

#include <SDL.h>

#include <string_view>

namespace kueruma::sdl::input {

// The SDL key of one of settings::keyNames(); SDLK_UNKNOWN for any other name.
SDL_Keycode keyNamed(std::string_view name);
// The keys of each action from now on (until then, the default ones).
void bindKeys(const settings::Bindings& keys);
// The game's bits for a key, 0 for a key it never asks about.
loop::KeySet keyOf(SDL_Keycode key);
// The key is one of the pause action's.
bool pausesGame(SDL_Keycode key);

// Opens every joystick SDL knows of now; the game never looks for more.
void openJoysticks();
void closeJoysticks();
// Time has passed: the next joystick reading asks the devices again.
void markJoysticksStale();

} // namespace kueruma::sdl::input
