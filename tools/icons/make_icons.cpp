// kueruma-icons OUTDIR SIZE...: the program's icon, the game's own stick figure in mid-stride,
// grey on black, written as OUTDIR/kueruma-SIZE.png for each size (a square, SIZE pixels).
// Each icon is drawn large with the game's figure and pens, then averaged down, so even the
// 16-pixel one keeps smooth limbs of a readable width.
#include "cli/command_line.hpp"
#include "figure/figure.hpp"
#include "files/safe_write/safe_write.hpp"
#include "image/png_io.hpp"
#include "raster/framebuffer.hpp"
#include "raster/raster_canvas.hpp"
#include "raster/rasterise.hpp"
#include "render/stick_figure.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kueruma;

constexpr int smallestIcon = 8;
constexpr int largestIcon = 1024;
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

raster::Framebuffer drawIcon(int size) {
    const double width = strokeWidth(size);
    // As fine a large picture as the widest pen allows, and no more than 16 times the icon.
    const int factor = std::clamp(static_cast<int>(raster::maxPenWidth / width), 1, 16);
    const int pen = static_cast<int>(std::lround(width * factor));
    return shrink(drawLarge(size * factor, pen), factor);
}

bool parseSize(std::string_view text, int& size) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, size);
    return error == std::errc{} && stop == end && size >= smallestIcon && size <= largestIcon;
}

} // namespace

int main(int argc, char** argv) {
    static const std::string details =
        "Draws the icon as OUTDIR/kueruma-SIZE.png for each SIZE, from " +
        std::to_string(smallestIcon) + " to " + std::to_string(largestIcon) + " pixels.\n";
    cli::CommandLine line("kueruma-icons", "usage: kueruma-icons OUTDIR SIZE...\n", details, {});
    if (!line.read(argc, argv)) return line.exitStatus();
    const std::vector<std::string>& operands = line.operands();
    if (operands.size() < 2) return line.fail("give a folder and at least one size");
    // An empty folder name would put the icons at the root of the file system.
    if (operands[0].empty()) return line.fail("the folder name is empty");
    std::vector<int> sizes;
    for (std::size_t i = 1; i < operands.size(); ++i) {
        int size = 0;
        if (!parseSize(operands[i], size)) {
            return line.fail("size \"" + cli::printable(operands[i]) +
                             "\" is not a whole number from " + std::to_string(smallestIcon) +
                             " to " + std::to_string(largestIcon));
        }
        sizes.push_back(size);
    }
    const auto pathOf = [&](int size) {
        return operands[0] + "/kueruma-" + std::to_string(size) + ".png";
    };
    // A folder, FIFO or device where an icon goes is refused before any icon is drawn.
    for (int size : sizes) {
        if (const std::string refused = safe_write::checkTarget(pathOf(size)); !refused.empty()) {
            std::cerr << "kueruma-icons: " << refused << "\n";
            return 2;
        }
    }
    for (int size : sizes) {
        std::string error;
        if (!image::writeGreyPng(drawIcon(size), pathOf(size), error)) {
            std::cerr << "kueruma-icons: " << error << "\n";
            return 1;
        }
    }
    return 0;
}
