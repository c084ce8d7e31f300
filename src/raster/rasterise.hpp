// The pixel rules of GDI's solid pens, on a grey framebuffer clipped to its own area: 1-pixel
// lines, wide lines with round caps, ellipse outlines. Coordinates may lie anywhere in int range;
// every primitive clips before it steps, so a far-off line costs no more than a visible one.
#pragma once

#include "raster/framebuffer.hpp"

#include <cstdint>

namespace kueruma::raster {

// The round cap of a wide pen: a width x width disc, stored as each row's inset from the
// square's left and right edges. Wider pens than this are drawn at this width.
inline constexpr int maxPenWidth = 64;

struct PenDisc {
    int width;
    std::uint8_t inset[maxPenWidth];
};

PenDisc makePenDisc(int width);

// A 1-pixel line: the start pixel is painted and the end pixel is not.
void thinLine(Framebuffer& picture, int x0, int y0, int x1, int y1, std::uint8_t grey);

// A wide line: a disc at each end and the body between them.
void wideLine(Framebuffer& picture, const PenDisc& disc, int x0, int y0, int x1, int y1,
              std::uint8_t grey);

// The outline of the ellipse inside the box (right and bottom excluded), as a 1-pixel pen draws
// it; with a wide pen the disc is stamped along that outline.
void ellipseOutline(Framebuffer& picture, const PenDisc* disc, int left, int top, int right,
                    int bottom, std::uint8_t grey);

} // namespace kueruma::raster
