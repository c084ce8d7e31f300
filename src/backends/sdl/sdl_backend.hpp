// The desktop backend: the game in an SDL2 window on Linux and macOS, with the raster canvas
// scaled by a whole number, keyboard and joysticks, and the four sound cues.
#pragma once

#include "files/settings/settings.hpp"
#include "game/play_state.hpp"
#include "host/driver/start.hpp"
#include "raster/framebuffer.hpp"
#include "seam/canvas.hpp"

#include <string>

struct SDL_Window;

namespace kueruma::sdl {

using seam::clientHeight;
using seam::clientWidth;
inline constexpr int maxScale = settings::maxScale;

// The window's scale: `asked` (KUERUMA_SCALE's value, or null) when it is a whole number from 1
// to `fitting` (the largest whose window fits the screen), else `fitting` with `warning` saying
// why `asked` was not taken.
int chooseScale(const char* asked, int fitting, std::string& warning);

// What the desktop game says of itself: its help, and where its finished stages' runs are kept.
const driver::Front& front();

// The player's settings for the games opened from now on: keys, scale, window, sound, pause.
// Until this is called, the defaults (the game as it always was).
void useSettings(const settings::Settings& chosen);
const settings::Settings& currentSettings();

// The player's pause (the pause keys, the window losing the focus): no tick passes, the sound
// stops and the window shows the picture dimmed under "PAUSE".
void setPaused(bool paused);

// The settings overlay is open over the paused game (Esc, or a pad's Back pressed briefly).
bool settingsOpen();

// Brings up SDL's event and joystick parts (the driver's start does it when nothing has; a test
// does it first to plug virtual pads in). Joysticks plugged in now are the ones the game will
// see. False with `error` set when SDL itself cannot start.
bool initSdl(std::string& error);
// Closes everything the window's opening and initSdl opened.
void shutdown();

// Handles whatever is pending, then (unless the game is paused) delivers one timer tick at once and
// the paint it asks for, as the loop would when the tick falls due: lets tests drive the game tick
// by tick.
void deliverTick();
// The play state of the game in the window.
const game::PlayState& state();
// What the window shows, before scaling.
const raster::Framebuffer& picture();
SDL_Window* window();
bool quitPosted();

} // namespace kueruma::sdl
