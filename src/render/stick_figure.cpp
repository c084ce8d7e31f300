#include "render/stick_figure.hpp"

#include <initializer_list>

namespace kueruma::render {

void drawFigure(seam::Canvas& canvas, const View& view, const figure::Figure& f) {
    const auto& x = f.jointX;
    const auto& y = f.jointY;
    const double r = f.segment;
    canvas.ellipse(view.x(x[figure::Head] - r), View::y(y[figure::Head] - r),
                   view.x(x[figure::Head] + r), View::y(y[figure::Head] + r));
    auto polyline = [&](std::initializer_list<int> joints) {
        bool first = true;
        for (int j : joints) {
            if (first) {
                canvas.moveTo(view.x(x[j]), View::y(y[j]));
                first = false;
            } else {
                canvas.lineTo(view.x(x[j]), View::y(y[j]));
            }
        }
    };
    using namespace figure;
    polyline({Neck, Hip, KneeA, FootA});
    polyline({Hip, KneeB, FootB});
    polyline({Neck, ElbowA, HandA});
    polyline({Neck, ElbowB, HandB});
}

} // namespace kueruma::render
