// The menu screens and the play field's heads-up display.
#pragma once

#include "game/play_state.hpp"
#include "seam/canvas.hpp"

namespace kueruma::render {

void drawTitle(seam::Canvas& canvas, const game::GameState& gs, int right, int bottom);
void drawPassEntry(seam::Canvas& canvas, const game::GameState& gs, int right, int bottom);
void drawStageIntro(seam::Canvas& canvas, const game::GameState& gs, int right, int bottom);
void drawResult(seam::Canvas& canvas, const game::PlayState& state, int right, int bottom);
void drawHud(seam::Canvas& canvas, const game::PlayState& state);

} // namespace kueruma::render
