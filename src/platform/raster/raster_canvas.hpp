// A canvas that draws what the Windows GDI draws, into a grey framebuffer: 1-pixel and wide
// pens, ellipse outlines and bitmap text keyed by Shift-JIS code.
#pragma once

#include "platform/canvas.hpp"
#include "platform/raster/framebuffer.hpp"

namespace kueruma::raster {

class RasterCanvas final : public platform::Canvas {
  public:
    explicit RasterCanvas(Framebuffer& target);
    // A fresh device context: the stock black pen, black text, opaque background.
    void beginPaint();

    platform::ClientRect clientRect() override;
    platform::Pen createPen(int width, int grey) override;
    platform::Pen selectPen(platform::Pen pen) override;
    void selectNullBrush() override;
    void deletePen(platform::Pen pen) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void setTransparentBackground() override;
    void setTextGrey(int grey) override;
    void textOut(int x, int y, std::string_view sjis) override;

  private:
    struct PenSlot {
        bool used;
        int width;
        int grey;
    };
    static constexpr int maxPens = 16;

    Framebuffer& target_;
    PenSlot pens_[maxPens];
    platform::Pen selected_;
    int currentX_;
    int currentY_;
    int textGrey_;
};

} // namespace kueruma::raster
