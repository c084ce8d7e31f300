#include "raster/raster_canvas.hpp"

#include "raster/font.hpp"

namespace kueruma::raster {

namespace {

constexpr std::uint8_t opaqueTextBackground = 255;

std::uint8_t greyLevel(int grey) {
    return static_cast<std::uint8_t>(grey & 0xFF);
}

} // namespace

RasterCanvas::RasterCanvas(Framebuffer& target)
    : target_(target), pens_{}, stock_{true, 0, makePenDisc(1)}, selected_(stockBlackPen),
      currentX_(0), currentY_(0), textGrey_(0), transparent_(false) {}

void RasterCanvas::beginPaint() {
    selected_ = stockBlackPen;
    currentX_ = currentY_ = 0;
    textGrey_ = 0;
    transparent_ = false;
}

seam::ClientRect RasterCanvas::clientRect() {
    return {0, 0, target_.width(), target_.height()};
}

seam::Pen RasterCanvas::createPen(int width, int grey) {
    for (int i = 0; i < maxPens; ++i) {
        if (!pens_[i].used) {
            pens_[i] = {true, greyLevel(grey), makePenDisc(width < 1 ? 1 : width)};
            return static_cast<seam::Pen>(i + 1);
        }
    }
    return 0;
}

seam::Pen RasterCanvas::selectPen(seam::Pen pen) {
    const bool live = pen == stockBlackPen || (pen >= 1 && pen <= maxPens && pens_[pen - 1].used);
    if (!live) return 0;
    const seam::Pen previous = selected_;
    selected_ = pen;
    return previous;
}

void RasterCanvas::selectNullBrush() {}

void RasterCanvas::deletePen(seam::Pen pen) {
    if (pen >= 1 && pen <= maxPens && pen != selected_) pens_[pen - 1].used = false;
}

const RasterCanvas::PenSlot& RasterCanvas::selectedPen() const {
    return selected_ == stockBlackPen ? stock_ : pens_[selected_ - 1];
}

void RasterCanvas::moveTo(int x, int y) {
    currentX_ = x;
    currentY_ = y;
}

void RasterCanvas::lineTo(int x, int y) {
    const PenSlot& pen = selectedPen();
    if (pen.disc.width <= 1) {
        thinLine(target_, currentX_, currentY_, x, y, pen.grey);
    } else {
        wideLine(target_, pen.disc, currentX_, currentY_, x, y, pen.grey);
    }
    moveTo(x, y);
}

void RasterCanvas::ellipse(int left, int top, int right, int bottom) {
    const PenSlot& pen = selectedPen();
    ellipseOutline(target_, pen.disc.width <= 1 ? nullptr : &pen.disc, left, top, right, bottom,
                   pen.grey);
}

void RasterCanvas::setTransparentBackground() {
    transparent_ = true;
}

void RasterCanvas::setTextGrey(int grey) {
    textGrey_ = greyLevel(grey);
}

void RasterCanvas::textOut(int x, int y, std::string_view sjis) {
    const long long width = target_.width();
    const long long height = target_.height();
    std::uint8_t* const pixels = target_.data();
    long long cellX = x;
    while (!sjis.empty()) {
        const font::Character c = font::firstCharacter(sjis);
        sjis.remove_prefix(static_cast<std::size_t>(c.bytes));
        const font::Glyph glyph = font::glyphFor(c.code);
        for (int r = 0; r < font::cellHeight; ++r) {
            const long long py = static_cast<long long>(y) + r;
            if (py < 0 || py >= height) continue;
            const unsigned bits = glyph.row(r);
            for (int col = 0; col < glyph.width; ++col) {
                const long long px = cellX + col;
                if (px < 0 || px >= width) continue;
                const bool ink = (bits >> (glyph.width - 1 - col)) & 1u;
                if (ink) {
                    pixels[py * width + px] = textGrey_;
                } else if (!transparent_) {
                    pixels[py * width + px] = opaqueTextBackground;
                }
            }
        }
        cellX += glyph.width;
    }
}

} // namespace kueruma::raster
