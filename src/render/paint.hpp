// Everything a paint does: first what it changes in the play state, then the current screen
// drawn from the unchanged value, with the paint's sounds and pauses where they fall.
#pragma once

#include "game/play_state.hpp"
#include "seam/canvas.hpp"

namespace kueruma::render {

// The points the paint after the last block breaks adds, with the clear animation.
inline constexpr int clearBonus = 599;

// What the first step of a Play paint hands the drawing.
struct PaintFrame {
    // The tick before broke a block: the hit flash is drawn, converging on the feet as they
    // stood before this paint laid the skeleton out again.
    bool flash = false;
    double flashFeetX = 0;
    double flashFeetY = 0;
    // That break left no block standing: the clear animation follows the flash.
    bool clearAnimation = false;
};

// How the player asked the screen to be drawn; the default draws the game's own picture. Only
// pixels change with it: never a tick, the play state or a recording.
struct PaintOptions {
    // The hit flash and the clear animation drawn in dim greys, so that no flash (nor a run of
    // them a tick apart) changes the screen's brightness by much.
    bool reducedFlashing = false;
    // Another run's figure at this tick (a ghost), drawn faintly behind the player's; null for
    // none.
    const figure::Figure* ghost = nullptr;
};

// The ghost's pen: dim enough to leave the player's figure and the blocks in front, bright
// enough to follow on the black field.
inline constexpr int ghostGrey = 88;

// The state changes of a paint, in their order: the flash flag taken, the clear bonus added,
// the joints laid out, the broken blocks' timers counted down. Only Play paints change anything.
PaintFrame preparePaint(game::PlayState& state);

// Draws the current screen from scratch; the paint's sounds and pauses come between the
// strokes they follow.
void paintScreen(const game::PlayState& state, const PaintFrame& frame, seam::Canvas& canvas,
                 const PaintOptions& options = {});

// The same sounds and pauses, in the same order (the same steps, without their strokes), for a
// paint that draws nothing.
void playPaintCues(const game::PlayState& state, const PaintFrame& frame);

} // namespace kueruma::render
