// The play field's effects: the hit flash, the clear animation, break debris and the tether.
#pragma once

#include "platform/canvas.hpp"
#include "world/blocks.hpp"

namespace kueruma::render {

void drawHitFlash(platform::Canvas& canvas, const platform::ClientRect& client);
void playClearAnimation(platform::Canvas& canvas);
void drawBlockBreak(platform::Canvas& canvas, const world::Block& block, int n);
void drawGoalTether(platform::Canvas& canvas, const platform::ClientRect& client);

} // namespace kueruma::render
