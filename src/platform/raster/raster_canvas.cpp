// Placeholder until the rasteriser lands: keeps the pen bookkeeping, draws nothing.
#include "platform/raster/raster_canvas.hpp"

namespace kueruma::raster {

namespace {
constexpr platform::Pen stockBlackPen = 1000;
}

RasterCanvas::RasterCanvas(Framebuffer& target)
    : target_(target), pens_{}, selected_(stockBlackPen), currentX_(0), currentY_(0), textGrey_(0) {
}

void RasterCanvas::beginPaint() {
    selected_ = stockBlackPen;
    currentX_ = currentY_ = 0;
    textGrey_ = 0;
}

platform::ClientRect RasterCanvas::clientRect() {
    return {0, 0, target_.width(), target_.height()};
}

platform::Pen RasterCanvas::createPen(int width, int grey) {
    for (int i = 0; i < maxPens; ++i) {
        if (!pens_[i].used) {
            pens_[i] = {true, width, grey};
            return static_cast<platform::Pen>(i + 1);
        }
    }
    return 0;
}

platform::Pen RasterCanvas::selectPen(platform::Pen pen) {
    const platform::Pen previous = selected_;
    if (pen != 0) selected_ = pen;
    return previous;
}

void RasterCanvas::selectNullBrush() {}

void RasterCanvas::deletePen(platform::Pen pen) {
    if (pen >= 1 && pen <= maxPens) pens_[pen - 1].used = false;
}

void RasterCanvas::moveTo(int x, int y) {
    currentX_ = x;
    currentY_ = y;
}

void RasterCanvas::lineTo(int x, int y) {
    moveTo(x, y);
}
void RasterCanvas::ellipse(int, int, int, int) {}
void RasterCanvas::setTransparentBackground() {}
void RasterCanvas::setTextGrey(int grey) {
    textGrey_ = grey;
}
void RasterCanvas::textOut(int, int, std::string_view) {}

} // namespace kueruma::raster
