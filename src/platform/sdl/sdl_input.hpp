// Keyboard and joysticks for the desktop backend, read the way the shell's async key and
// multimedia joystick queries expect.
#pragma once

#include <SDL.h>

namespace kueruma::sdl::input {

void keyDown(SDL_Keycode key);
void keyUp(SDL_Keycode key);
// The window lost the keyboard: nothing it will hear about is still held.
void releaseHeldKeys();
void forgetKeys();

// Opens every joystick SDL knows of now; the game never looks for more.
void openJoysticks();
void closeJoysticks();
// Time has passed: the next joystick reading asks the devices again.
void markJoysticksStale();

} // namespace kueruma::sdl::input
