// The paint's drawing surface, shaped like a GDI device context: pens, lines, ellipse outlines
// and transparent text. The GDI, raster, pixel-less and recording canvases implement it.
#pragma once

#include <cstdint>
#include <string_view>

namespace kueruma::seam {

// Where there is no real window (headless, SDL, the browser), the client area is what a
// 640 x 480 Windows window leaves under a thin frame, a caption and one menu bar.
inline constexpr int clientWidth = 632;
inline constexpr int clientHeight = 433;

struct ClientRect {
    int left;
    int top;
    int right;
    int bottom;
};

using Pen = std::uintptr_t;

class Canvas {
  public:
    virtual ~Canvas() = default;
    virtual ClientRect clientRect() = 0;
    // A solid pen of this width whose colour is the grey level (red = green = blue).
    virtual Pen createPen(int width, int grey) = 0;
    // Selects the pen and returns the one it replaces.
    virtual Pen selectPen(Pen pen) = 0;
    virtual void selectNullBrush() = 0;
    virtual void deletePen(Pen pen) = 0;
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    // Outline of the ellipse inside the box, with the selected pen and the null brush.
    virtual void ellipse(int left, int top, int right, int bottom) = 0;
    virtual void setTransparentBackground() = 0;
    virtual void setTextGrey(int grey) = 0;
    // Text in Shift-JIS bytes, its top-left corner at (x, y).
    virtual void textOut(int x, int y, std::string_view sjis) = 0;
};

// Every stroke of the game: a fresh solid pen, selected with the null brush for `draw`, then
// deselected and deleted, so no paint leaves a pen behind.
template <class Draw> void withPen(Canvas& canvas, int width, int grey, Draw&& draw) {
    const Pen pen = canvas.createPen(width, grey);
    const Pen previous = canvas.selectPen(pen);
    canvas.selectNullBrush();
    draw();
    canvas.selectPen(previous);
    canvas.deletePen(pen);
}

} // namespace kueruma::seam
