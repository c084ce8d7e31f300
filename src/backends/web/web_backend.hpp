// The browser backend: the game on a web page through Emscripten. The raster canvas's frame goes
// to an HTML canvas that the page scales, keys and gamepads come from the page, the cues play
// through Web Audio, and the game's pauses yield to the page (Asyncify) instead of blocking it.
#pragma once

namespace kueruma::web {

// Starts listening to the page: its keys and focus, and the sound cues it fetches.
void openPage();
// Runs one game from start-up until it quits (Exit, or the menu's close); returns its exit code.
int playOnce();
// The player's pause (driver::setPaused), with the page's clock and sound, and the picture
// dimmed under "PAUSE"; nothing between games.
void setPaused(bool paused);
// Shows that the game has ended and returns when the player asks to start again.
void waitForRestart();

} // namespace kueruma::web
