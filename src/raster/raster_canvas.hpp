// A canvas that draws what the Windows GDI draws, into a grey framebuffer: 1-pixel and wide
// pens, ellipse outlines and bitmap text keyed by Shift-JIS code.
#pragma once

#include "raster/framebuffer.hpp"
#include "raster/rasterise.hpp"
#include "seam/canvas.hpp"

namespace kueruma::raster {

class RasterCanvas final : public seam::Canvas {
  public:
    // Pens live in a fixed table; creating one more than this fails, as GDI does when it runs
    // out of handles.
    static constexpr int maxPens = 16;
    // The handle of the stock black 1-pixel pen that every paint starts with.
    static constexpr seam::Pen stockBlackPen = 0x1000;

    explicit RasterCanvas(Framebuffer& target);
    // A fresh device context: the stock black pen, black text, opaque background, current
    // position (0, 0). Pens created earlier and not deleted stay allocated, as in GDI.
    void beginPaint();

    seam::ClientRect clientRect() override;
    // Width 0 or less gives a 1-pixel pen; the grey level is taken modulo 256. Returns 0 when
    // the table is full.
    seam::Pen createPen(int width, int grey) override;
    // Selecting 0 or a handle that is no live pen fails: it returns 0 and keeps the current pen.
    seam::Pen selectPen(seam::Pen pen) override;
    void selectNullBrush() override;
    // Deleting the selected pen, the stock pen or no pen does nothing.
    void deletePen(seam::Pen pen) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void setTransparentBackground() override;
    void setTextGrey(int grey) override;
    // In the opaque background mode each character cell is first filled white, GDI's default
    // background colour.
    void textOut(int x, int y, std::string_view sjis) override;

  private:
    struct PenSlot {
        bool used;
        std::uint8_t grey;
        PenDisc disc; // width 1: a 1-pixel pen
    };
    const PenSlot& selectedPen() const;

    Framebuffer& target_;
    PenSlot pens_[maxPens];
    PenSlot stock_;
    seam::Pen selected_;
    int currentX_;
    int currentY_;
    std::uint8_t textGrey_;
    bool transparent_;
};

} // namespace kueruma::raster
