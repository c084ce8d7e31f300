// The menu screens and the play field's heads-up display.
#pragma once

#include "game/play_state.hpp"
#include "seam/canvas.hpp"

namespace kueruma::render {

void drawTitle(platform::Canvas& canvas, const game::GameState& gs, int right, int bottom);
void drawPassEntry(platform::Canvas& canvas, const game::GameState& gs, int right, int bottom);
void drawStageIntro(platform::Canvas& canvas, const game::GameState& gs, int right, int bottom);
void drawResult(platform::Canvas& canvas, const game::PlayState& state, int right, int bottom);
void drawHud(platform::Canvas& canvas, const game::PlayState& state);

} // namespace kueruma::render
