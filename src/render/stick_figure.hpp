// The player's stick figure as the play screen draws it, and the program's icons too.
#pragma once

#include "figure/figure.hpp"
#include "render/draw_util.hpp"
#include "seam/canvas.hpp"

namespace kueruma::render {

// From its laid-out joints, with the selected pen: the head's circle, the body and legs, the
// two arms.
void drawFigure(seam::Canvas& canvas, const View& view, const figure::Figure& f);

} // namespace kueruma::render
