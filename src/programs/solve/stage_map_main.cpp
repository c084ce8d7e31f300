// kueruma-stage-map DIR: draws the whole of every stage, scaled down, as DIR/stage-N.png: the
// blocks, the floor, the figure's start box and the goal line.
#include "image/png_io.hpp"
#include "raster/framebuffer.hpp"
#include "raster/raster_canvas.hpp"
#include "world/stages.hpp"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

namespace {

using namespace kueruma;

constexpr double scale = 0.5;
constexpr double highestTop = -40; // world y at the top of the picture, unless a block is higher
constexpr double bottom = 420;     // world y at the bottom

struct Mapper {
    double left;
    double top;
    int x(double wx) const { return static_cast<int>(std::lround((wx - left) * scale)); }
    int y(double wy) const { return static_cast<int>(std::lround((wy - top) * scale)); }
};

// A margin above the highest block corner, so blocks that hang above the window show whole.
double pictureTop(const world::StageData& data) {
    double top = highestTop;
    for (const world::BlockRow& r : data.rows) {
        const double ws = r.width * std::sin(r.angle);
        const double hc = r.height * std::cos(r.angle);
        top = std::min({top, r.y - 20, r.y + ws - 20, r.y + ws + hc - 20, r.y + hc - 20});
    }
    return top;
}

void outline(raster::RasterCanvas& canvas, const Mapper& m, const world::BlockRow& r) {
    const double c = std::cos(r.angle);
    const double s = std::sin(r.angle);
    const double xs[4] = {r.x, r.x + r.width * c, r.x + r.width * c - r.height * s,
                          r.x - r.height * s};
    const double ys[4] = {r.y, r.y + r.width * s, r.y + r.width * s + r.height * c,
                          r.y + r.height * c};
    canvas.moveTo(m.x(xs[3]), m.y(ys[3]));
    for (int k = 0; k < 4; ++k) canvas.lineTo(m.x(xs[k]), m.y(ys[k]));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kueruma-stage-map DIR\n";
        return 2;
    }
    for (int stage = 0; stage < world::stageCount; ++stage) {
        const world::StageData& data = world::stageData(stage);
        const Mapper m{360, pictureTop(data)};
        raster::Framebuffer picture(m.x(data.goalX + 40), m.y(bottom));
        raster::RasterCanvas canvas(picture);
        canvas.beginPaint();
        auto draw = [&](int grey, auto&& what) {
            const seam::Pen pen = canvas.createPen(1, grey);
            const seam::Pen old = canvas.selectPen(pen);
            what();
            canvas.selectPen(old);
            canvas.deletePen(pen);
        };
        draw(96, [&] {
            canvas.moveTo(0, m.y(400));
            canvas.lineTo(picture.width(), m.y(400));
            canvas.moveTo(m.x(data.goalX), 0);
            canvas.lineTo(m.x(data.goalX), picture.height());
        });
        // Where the figure's body starts, in the air above the floor.
        draw(127, [&] { outline(canvas, m, {403, 83, 42, 114, 0.0}); });
        draw(255, [&] {
            for (const world::BlockRow& r : data.rows) outline(canvas, m, r);
        });
        std::string error;
        const std::string path = std::string(argv[1]) + "/stage-" + std::to_string(stage) + ".png";
        if (!image::writeGreyPng(picture, path, error)) {
            std::cerr << error << "\n";
            return 1;
        }
    }
    return 0;
}
