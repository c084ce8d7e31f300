// Everything drawn: the paint dispatch, the play field and its effects, the HUD and the menu
// screens. Drawing reads the global records and, during play, advances a few of them.
#pragma once

#include "platform/canvas.hpp"
#include "platform/platform.hpp"

namespace kueruma::render {

// Draws the current screen from scratch; always returns 0.
int paintScreen(platform::Window* window, platform::Canvas& canvas);

void drawPlay(platform::Canvas& canvas, const platform::ClientRect& client);

} // namespace kueruma::render
