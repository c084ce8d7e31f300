// What a paused game shows: its last picture dimmed, with the word "PAUSE" over it in the game's
// own font. Drawn into a picture of its own, never into the game's, so the game's frames, and
// every file made of them, never hold it.
#pragma once

#include "raster/framebuffer.hpp"

namespace kueruma::raster {

// `out` becomes `game` at half its brightness with the mark in the middle (`out` takes
// `game`'s size).
void drawPaused(const Framebuffer& game, Framebuffer& out);

} // namespace kueruma::raster
