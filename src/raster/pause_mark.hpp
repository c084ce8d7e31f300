// What a paused game shows: its last picture dimmed, with the word "PAUSE" over it in the game's
// own font. Drawn into a picture of its own, never into the game's, so the game's frames, and
// every file made of them, never hold it. The settings overlay draws its text the same way.
#pragma once

#include "raster/framebuffer.hpp"

#include <cstdint>
#include <string_view>

namespace kueruma::raster {

// `out` becomes `game` at half its brightness with the mark in the middle (`out` takes
// `game`'s size).
void drawPaused(const Framebuffer& game, Framebuffer& out);

// `out` becomes `game` with one line of text at its bottom left, outlined so it reads over
// anything the game draws there (the score against a ghost, the stage's timer).
void drawNote(const Framebuffer& game, Framebuffer& out, std::string_view line);

// `out` becomes `game` at half its brightness (`out` takes `game`'s size).
void dim(const Framebuffer& game, Framebuffer& out);

// The width of a Shift-JIS text in the game's font, each of its pixels a square of `scale`.
int textWidth(std::string_view text, int scale);
// Paints the text's pixels in `grey` from (left, top), each a square of `scale` grown by `ring`
// on every side (a ring of 1 in black under the text itself outlines it). What falls outside
// `out` is left out.
void drawText(Framebuffer& out, std::string_view text, int left, int top, int scale,
              std::uint8_t grey, int ring = 0);

} // namespace kueruma::raster
