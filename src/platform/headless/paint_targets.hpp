// Where headless paints go: nowhere (the rules run, no pixel is drawn) or into a picture.
#pragma once

#include "platform/headless/headless.hpp"
#include "platform/headless/null_canvas.hpp"
#include "platform/raster/framebuffer.hpp"
#include "platform/raster/raster_canvas.hpp"

namespace kueruma::headless {

// The stand-in client area when there is no real window.
inline constexpr int defaultClientWidth = 632;
inline constexpr int defaultClientHeight = 433;

class NullPaintTarget final : public PaintTarget {
  public:
    NullPaintTarget(int width = defaultClientWidth, int height = defaultClientHeight)
        : canvas_({0, 0, width, height}) {}
    platform::Canvas& beginPaint() override { return canvas_; }

  private:
    NullCanvas canvas_;
};

class RasterPaintTarget final : public PaintTarget {
  public:
    RasterPaintTarget(int width = defaultClientWidth, int height = defaultClientHeight)
        : picture_(width, height), canvas_(picture_) {}
    platform::Canvas& beginPaint() override {
        picture_.clear(0);
        canvas_.beginPaint();
        return canvas_;
    }
    const raster::Framebuffer& picture() const { return picture_; }

  private:
    raster::Framebuffer picture_;
    raster::RasterCanvas canvas_;
};

} // namespace kueruma::headless
