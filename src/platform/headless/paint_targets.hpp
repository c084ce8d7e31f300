// Headless paints into a picture (the runner's frames, the tests' goldens), with the raster
// canvas.
#pragma once

#include "platform/headless/headless.hpp"
#include "platform/raster/framebuffer.hpp"
#include "platform/raster/raster_canvas.hpp"

namespace kueruma::headless {

// Paints drawn into a picture of the given size.
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
