// What a backend gives the driver: plain functions, defined by the one backend a program links,
// as the seam's are. The driver calls them; nothing else needs to.
#pragma once

#include "render/paint.hpp"
#include "seam/canvas.hpp"

#include <cstdint>
#include <string>

namespace kueruma::driver {

// Opens the window the game is shown in and then the devices the game reads from start-up on
// (joysticks, sound): a window that cannot open is then the first and only thing the player
// hears of. False with `error` naming what failed.
bool openWindow(std::string& error);
// Closes whatever openWindow opened, whether or not it succeeded.
void shutDown();

// The backend's clock in milliseconds: the machine's, or a virtual one.
std::int64_t clockMs();
// The seam's pause: shows what is drawn so far (a pause in the middle of a paint shows the
// picture half done, as an unbuffered window does), waits `ms` or moves a virtual clock on, and
// takes in the input that arrived meanwhile.
void pause(unsigned ms);
// The canvas a paint draws on, erased to black; null for a paint that makes only its changes to
// the play state.
seam::Canvas* beginPaint();
// How the player asked the picture to be drawn (the settings'), read at every paint.
render::PaintOptions paintOptions();
// Shows the finished paint.
void endPaint();
// Handles one pending event (a key, a change to the window, a menu command); false when none is
// pending.
bool handleEvent();
// Sleeps until an event arrives or `ms` have passed (for ever when `ms` is negative).
void waitForEvent(std::int64_t ms);
// Right before the shell's timer tick.
void tickStarts();
// The window is being destroyed, before the shell hears of it.
void windowDestroyed();

} // namespace kueruma::driver
