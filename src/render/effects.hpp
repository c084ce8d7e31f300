// The play field's effects: the hit flash, the clear animation, break debris and the tether,
// with the sounds and pauses that belong to them.
#pragma once

#include "render/draw_util.hpp"
#include "seam/canvas.hpp"
#include "world/blocks.hpp"

namespace kueruma::render {

// A broken block's outline stays dark while its timer is above this; from this value down to
// 1 its debris flies, and the break sounds play as it begins.
inline constexpr int debrisStart = 40;

struct WorldPoint {
    double x;
    double y;
};

// How bright the hit flash and the clear animation are drawn: the game's own greys, or a
// quarter of each (at most 63 of 255, a change of under a tenth of the screen's luminance, so
// flashes a tick apart do not strobe).
enum class Flashes { Full, Reduced };

// Lines from the window's edges and three fans converging on the feet.
void drawHitFlash(seam::Canvas& canvas, const View& view, const seam::ClientRect& client,
                  WorldPoint feet, double bodyAngle, Flashes flashes);
// What follows the flash: a short hold, or when no block is left the clear animation, its
// frames drawn onto `canvas` unless there is none (a paint nobody sees keeps its sounds and
// pauses all the same).
void finishHitFlash(seam::Canvas* canvas, const View& view, bool clearAnimation, WorldPoint feet,
                    double bodyAngle, Flashes flashes);
// The sounds of a broken block whose debris begins on this paint, before its debris is drawn.
void playBreakSounds(bool allCleared);
// The debris of a broken block on the paint that counted its timer down to n (1 to 40); its
// sounds are playBreakSounds'.
void drawBlockBreak(seam::Canvas& canvas, const View& view, const world::Block& block, int n,
                    bool allCleared);
// Lines from the left edge converging on the neck of a figure that crossed the goal line.
void drawGoalTether(seam::Canvas& canvas, const View& view, const seam::ClientRect& client,
                    WorldPoint neck);

} // namespace kueruma::render
