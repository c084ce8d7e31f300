// The desktop backend: the game in an SDL2 window on Linux and macOS, with the raster canvas
// scaled by a whole number, keyboard and joysticks, and the four sound cues.
#pragma once

#include "game/play_state.hpp"
#include "raster/framebuffer.hpp"
#include "seam/canvas.hpp"

#include <string>

struct SDL_Window;

namespace kueruma::sdl {

using seam::clientHeight;
using seam::clientWidth;
inline constexpr int maxScale = 3;

// The window's scale: `asked` (KUERUMA_SCALE's value, or null) when it is a whole number from 1
// to `fitting` (the largest whose window fits the screen), else `fitting` with `warning` saying
// why `asked` was not taken.
int chooseScale(const char* asked, int fitting, std::string& warning);

// Brings up SDL's event, joystick and audio parts. Joysticks plugged in now are the ones the
// game will see. False with `error` set when SDL itself cannot start.
bool initSdl(std::string& error);
// Opens the joysticks and the sound device, runs the shell's start-up, opens the window, starts
// the timer and paints the first picture. False with `error` naming what failed.
bool openGame(std::string& error);
// Runs the message loop until the program quits; returns its exit code.
int runMessageLoop();
// Closes everything openGame and initSdl opened.
void shutdown();

// Handles whatever is pending, then delivers one timer tick at once and the paint it asks
// for, as the loop would when the tick falls due: lets tests drive the game tick by tick.
void deliverTick();
// The play state of the game in the window.
const game::PlayState& state();
// What the window shows, before scaling.
const raster::Framebuffer& picture();
SDL_Window* window();
bool quitPosted();

} // namespace kueruma::sdl
