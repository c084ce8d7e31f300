// The menu screens and the play field's heads-up display.
#pragma once

#include "platform/canvas.hpp"

namespace kueruma::render {

void drawTitle(platform::Canvas& canvas, int right, int bottom);
void drawPassEntry(platform::Canvas& canvas, int right, int bottom);
void drawStageIntro(platform::Canvas& canvas, int right, int bottom);
void drawResult(platform::Canvas& canvas, int right, int bottom);
void drawHud(platform::Canvas& canvas);

} // namespace kueruma::render
