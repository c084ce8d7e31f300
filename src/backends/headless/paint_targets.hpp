// Headless paints into a picture (the runner's frames, the tests' goldens), with the raster
// canvas.
#pragma once

#include "backends/headless/headless.hpp"
#include "raster/framebuffer.hpp"
#include "raster/raster_canvas.hpp"

namespace kueruma::headless {

// Paints drawn into a picture of the given size.
class RasterPaintTarget final : public PaintTarget {
  public:
    RasterPaintTarget(int width = seam::clientWidth, int height = seam::clientHeight)
        : picture_(width, height), canvas_(picture_) {}
    seam::Canvas* beginPaint() override {
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
