// Keyboard and joysticks for the desktop backend: the game's keys among SDL's, and joysticks
// read the way the shell's multimedia joystick queries expect.
#pragma once

#include "host/loop/message_loop.hpp"

#include <SDL.h>

namespace kueruma::sdl::input {

// The game's bit for a key, 0 for a key it never asks about.
loop::KeySet keyOf(SDL_Keycode key);

// Opens every joystick SDL knows of now; the game never looks for more.
void openJoysticks();
void closeJoysticks();
// Time has passed: the next joystick reading asks the devices again.
void markJoysticksStale();

} // namespace kueruma::sdl::input
