// Where headless paints go: nowhere (the rules run, no pixel is drawn) or into a picture.
#pragma once

#include "platform/headless/headless.hpp"
#include "platform/raster/framebuffer.hpp"
#include "platform/raster/raster_canvas.hpp"

namespace kueruma::headless {

// Paints that draw nothing: the rules run, every change a paint makes to the play state is
// made, and its sounds and pauses are heard, but no pixel is worked out.
class NullPaintTarget final : public PaintTarget {
  public:
    platform::Canvas* beginPaint() override { return nullptr; }
};

class RasterPaintTarget final : public PaintTarget {
  public:
    RasterPaintTarget(int width = platform::clientWidth, int height = platform::clientHeight)
        : picture_(width, height), canvas_(picture_) {}
    platform::Canvas* beginPaint() override {
        picture_.clear(0);
        canvas_.beginPaint();
        return &canvas_;
    }
    const raster::Framebuffer& picture() const { return picture_; }

  private:
    raster::Framebuffer picture_;
    raster::RasterCanvas canvas_;
};

} // namespace kueruma::headless
