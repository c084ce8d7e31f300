#include "icon/icon.hpp"

#include "figure/figure.hpp"
#include "raster/raster_canvas.hpp"
#include "raster/rasterise.hpp"
#include "render/stick_figure.hpp"

#include <algorithm>
#include <cmath>

namespace kueruma::icon {

namespace {

constexpr int figureGrey = 224;
// The figure fills this share of the square; the rest is an even black border.
constexpr double filled = 0.84;

// The first stride of the run, held until every limb has reached it, leaning into the run.
figure::Figure runningFigure() {
    figure::Figure f;
    for (int step = 0; step < 64; ++step) f.applyPose(figure::Walk1);
    f.bodyAngle = -0.15;
    return f;
}

struct Box {
    double left, top, right, bottom;
};

// Where the figure reaches, its head circle included, with its joints laid out at `segment`
// bones from the world origin.
Box reach(figure::Figure f) {
    f.posX = f.posY = 0;
    f.updateJoints();
    const double r = f.segment;
    Box box{f.jointX[figure::Head] - r, f.jointY[figure::Head] - r, f.jointX[figure::Head] + r,
            f.jointY[figure::Head] + r};
    for (int j = 0; j < figure::jointCount; ++j) {
        box.left = std::min(box.left, f.jointX[j]);
        box.top = std::min(box.top, f.jointY[j]);
        box.right = std::max(box.right, f.jointX[j]);
        box.bottom = std::max(box.bottom, f.jointY[j]);
    }
    return box;
}

// The line width in icon pixels: never under one and a half pixels, so the smallest icons keep
// their limbs; about an eighteenth of the square on large ones.
double strokeWidth(int size) {
    return std::max(1.5, size / 18.0);
}

// The figure centred in a square `side` pixels wide, drawn with a pen `pen` pixels wide.
raster::Framebuffer drawLarge(int side, int pen) {
    figure::Figure f = runningFigure();
    f.segment = 1;
    const Box unit = reach(f);
    const double inner = side * filled - pen;
    f.segment = inner / std::max(unit.right - unit.left, unit.bottom - unit.top);
    const Box fitted = reach(f);
    f.posX = (side - (fitted.right - fitted.left)) / 2 - fitted.left;
    f.posY = (side - (fitted.bottom - fitted.top)) / 2 - fitted.top;
    f.updateJoints();

    raster::Framebuffer picture(side, side);
    raster::RasterCanvas canvas(picture);
    canvas.beginPaint();
    seam::withPen(canvas, pen, figureGrey, [&] { render::drawFigure(canvas, render::View{0}, f); });
    return picture;
}

// Each icon pixel is the mean of its `factor` x `factor` block of the large picture.
raster::Framebuffer shrink(const raster::Framebuffer& large, int factor) {
    const int side = large.width() / factor;
    raster::Framebuffer icon(side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            int sum = 0;
            for (int dy = 0; dy < factor; ++dy) {
                for (int dx = 0; dx < factor; ++dx)
                    sum += large.at(x * factor + dx, y * factor + dy);
            }
            icon.set(x, y,
                     static_cast<std::uint8_t>((sum + factor * factor / 2) / (factor * factor)));
        }
    }
    return icon;
}

} // namespace

raster::Framebuffer drawIcon(int size) {
    const double width = strokeWidth(size);
    // As fine a large picture as the widest pen allows, and no more than 16 times the icon.
    const int factor = std::clamp(static_cast<int>(raster::maxPenWidth / width), 1, 16);
    const int pen = static_cast<int>(std::lround(width * factor));
    return shrink(drawLarge(size * factor, pen), factor);
}

} // namespace kueruma::icon
