// The rules follow the Windows GDI as Wine's DIB engine documents them:
// - 1-pixel lines step along the major axis and leave the end pixel out. The minor axis steps
//   when the error term plus a bias is positive; the bias is 1 in GDI's octants 3, 5, 6 and 8
//   (numbered clockwise from +x on screen), which makes a line paint the same pixels whichever
//   way it is drawn. Clipping solves the stepping equations for the first and last visible
//   steps, exactly, in 128-bit arithmetic, so no coordinate is rounded or scaled down.
// - Wide pens are regions: a round cap (the elliptic region of a width x width box, centred
//   width / 2 up and left of the point) at each end, a rectangle for horizontal and vertical
//   bodies, and otherwise a quadrilateral whose half-widths are rounded as Wine rounds them,
//   filled by the X11 polygon rule (a pixel is inside when its top-left corner point is,
//   left and top edges inclusive).
// - Ellipse outlines are Alois Zingl's ellipse steps in the first quadrant, mirrored.
#include "raster/rasterise.hpp"

#include "numeric/trig.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kueruma::raster {

namespace {

__extension__ typedef __int128 Wide;
using Coord = long long;

// Ellipses whose box is wider or taller than this are not drawn: their stepping would take
// too long and overflow the error terms, and the game draws none.
constexpr Coord maxEllipseSize = 1 << 16;

Wide floorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}

Wide ceilDiv(Wide a, Wide b) {
    return -floorDiv(-a, b);
}

// Pixels [from, to) of a row, clipped to [0, width). Spans of a slanted wide line are a few
// pixels long: stores beat a call to memset.
inline void fillRowSpan(std::uint8_t* row, Coord width, Coord from, Coord to, std::uint8_t grey) {
    from = std::max<Coord>(from, 0);
    to = std::min<Coord>(to, width);
    if (to - from > 16) {
        std::memset(row + from, grey, static_cast<std::size_t>(to - from));
        return;
    }
    for (; from < to; ++from) row[from] = grey;
}

// Pixels [x0, x1) of row y.
void fillSpan(Framebuffer& picture, Coord y, Coord x0, Coord x1, std::uint8_t grey) {
    if (y < 0 || y >= picture.height()) return;
    fillRowSpan(picture.data() + y * picture.width(), picture.width(), x0, x1, grey);
}

void fillRect(Framebuffer& picture, Coord left, Coord top, Coord right, Coord bottom,
              std::uint8_t grey) {
    top = std::max<Coord>(top, 0);
    bottom = std::min<Coord>(bottom, picture.height());
    left = std::max<Coord>(left, 0);
    right = std::min<Coord>(right, picture.width());
    if (left >= right || top >= bottom) return;
    const Coord width = picture.width();
    std::uint8_t* row = picture.data() + top * width;
    for (Coord y = top; y < bottom; ++y, row += width) fillRowSpan(row, width, left, right, grey);
}

void stampDisc(Framebuffer& picture, const PenDisc& disc, Coord x, Coord y, std::uint8_t grey) {
    const Coord left = x - disc.width / 2;
    const Coord top = y - disc.width / 2;
    for (int r = 0; r < disc.width; ++r) {
        fillSpan(picture, top + r, left + disc.inset[r], left + disc.width - disc.inset[r], grey);
    }
}

struct Point {
    Coord x;
    Coord y;
};

// One polygon edge walked a scanline at a time: x = top x + ceil(k * dx / dy) on the k-th row
// below its top, kept as whole steps plus a remainder so that no row divides.
struct Edge {
    Point top;
    Coord bottom; // first row past the edge
    Coord dx;
    Coord dy;
    Coord x;
    Coord step;      // floor(dx / dy)
    Coord stepExtra; // dx - step * dy, in [0, dy)
    Coord remainder; // in [0, dy)

    void startAt(Coord row) {
        const Coord k = row - top.y;
        const Wide q = ceilDiv(static_cast<Wide>(k) * dx, dy);
        x = static_cast<Coord>(top.x + q);
        remainder = static_cast<Coord>(q * dy - static_cast<Wide>(k) * dx);
    }
    // Branch-free: the carry is as likely as not on a slanted edge.
    void nextRow() {
        remainder -= stepExtra;
        const Coord carry = -static_cast<Coord>(remainder < 0);
        x += step + (carry & 1);
        remainder += dy & carry;
    }
    // Left of `other` on the rows below a shared start row: by x, then by slope.
    bool leftOf(const Edge& o) const {
        if (x != o.x) return x < o.x;
        return static_cast<Wide>(dx) * o.dy < static_cast<Wide>(o.dx) * dy;
    }
};

// Even-odd fill of a simple polygon of up to four points by the X11 rule. Between two vertex
// rows the same edges are active in the same order, so each band sorts its edges once.
void fillPolygon(Framebuffer& picture, const Point* points, int count, std::uint8_t grey) {
    Edge edges[4];
    Coord rows[4];
    int edgeCount = 0;
    for (int i = 0; i < count; ++i) {
        Point a = points[(i + count - 1) % count];
        Point b = points[i];
        rows[i] = b.y;
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        Edge& e = edges[edgeCount++];
        e.top = a;
        e.bottom = b.y;
        e.dx = b.x - a.x;
        e.dy = b.y - a.y;
        e.step = static_cast<Coord>(floorDiv(e.dx, e.dy));
        e.stepExtra = e.dx - e.step * e.dy;
    }
    std::sort(rows, rows + count);
    const Coord width = picture.width();
    const Coord height = picture.height();
    std::uint8_t* const pixels = picture.data();
    for (int band = 0; band + 1 < count; ++band) {
        const Coord first = std::max<Coord>(rows[band], 0);
        const Coord end = std::min<Coord>(rows[band + 1], height);
        if (first >= end) continue;
        Edge* active[4];
        int n = 0;
        for (int i = 0; i < edgeCount; ++i) {
            Edge& e = edges[i];
            if (e.top.y > first || e.bottom < end) continue;
            e.startAt(first);
            int j = n++;
            for (; j > 0 && e.leftOf(*active[j - 1]); --j) active[j] = active[j - 1];
            active[j] = &e;
        }
        if (n == 2) {
            // The usual band: one span between a left and a right edge, kept in registers.
            Edge left = *active[0];
            Edge right = *active[1];
            for (Coord y = first; y < end; ++y) {
                fillRowSpan(pixels + y * width, width, left.x, right.x, grey);
                left.nextRow();
                right.nextRow();
            }
            continue;
        }
        for (Coord y = first; y < end; ++y) {
            for (int i = 0; i + 1 < n; i += 2) {
                fillRowSpan(pixels + y * width, width, active[i]->x, active[i + 1]->x, grey);
            }
            for (int i = 0; i < n; ++i) active[i]->nextRow();
        }
    }
}

Coord roundAway(double v) {
    return static_cast<Coord>(v > 0 ? v + 0.5 : v - 0.5);
}

// Zingl's steps round an ellipse of axes `a` across and `c` down, from its widest row: each
// step moves across, down or both, as the error says.
class EllipseSteps {
  public:
    EllipseSteps(long long a, long long c)
        : aStep_(8 * a * a), cStep_(8 * c * c), dx_(4 * c * c * (1 - a)),
          dy_(4 * a * a * (1 + c % 2)), err_(dx_ + dy_ + a * a * (c % 2)) {}

    struct Move {
        bool across;
        bool down;
    };
    Move step() {
        const long long e2 = 2 * err_;
        const Move move{e2 >= dx_, e2 <= dy_};
        if (move.across) {
            dx_ += cStep_;
            err_ += dx_;
        }
        if (move.down) {
            dy_ += aStep_;
            err_ += dy_;
        }
        return move;
    }

  private:
    long long aStep_;
    long long cStep_;
    long long dx_;
    long long dy_;
    long long err_;
};

// The pixels [from, to) that a level or upright line from `a` to `b` covers along its axis: from
// a up to b, or from b + 1 through a when it runs backward.
void straightRun(int a, int b, Coord& from, Coord& to) {
    from = a;
    to = b;
    if (from > to) {
        from = Coord{b} + 1;
        to = Coord{a} + 1;
    }
}

// A slanted line along its major axis (the longer one): step i (0 <= i < majorLen) paints
// major0 + majorSign * i and minor0 + minorSign * n(i), with
// n(i) = ceil((2 i minorLen - majorLen + bias) / (2 majorLen)).
struct Slant {
    Slant(const Framebuffer& picture, int x0, int y0, int x1, int y1) {
        const Coord dx = Coord{x1} - x0;
        const Coord dy = Coord{y1} - y0;
        xMajor = std::llabs(dx) > std::llabs(dy);
        bias = dy > 0 ? (dx < 0 && -dx <= dy) : (dx < 0 || dx > -dy);
        major0 = xMajor ? x0 : y0;
        minor0 = xMajor ? y0 : x0;
        majorLen = std::llabs(xMajor ? dx : dy);
        minorLen = std::llabs(xMajor ? dy : dx);
        majorSign = (xMajor ? dx : dy) > 0 ? 1 : -1;
        minorSign = (xMajor ? dy : dx) > 0 ? 1 : -1;
        majorLimit = xMajor ? picture.width() : picture.height();
        minorLimit = xMajor ? picture.height() : picture.width();
    }

    // The steps [first, last] whose pixels fall inside the picture; false when none do.
    bool visibleSteps(Coord& first, Coord& last) const {
        first = 0;
        last = majorLen - 1;
        if (majorSign > 0) {
            first = std::max(first, -major0);
            last = std::min(last, majorLimit - 1 - major0);
        } else {
            first = std::max(first, major0 - (majorLimit - 1));
            last = std::min(last, major0);
        }
        const Coord nLow = minorSign > 0 ? -minor0 : minor0 - (minorLimit - 1);
        const Coord nHigh = minorSign > 0 ? minorLimit - 1 - minor0 : minor0;
        if (nHigh < 0) return false;
        const Wide twoMajor = 2 * static_cast<Wide>(majorLen);
        const Wide twoMinor = 2 * static_cast<Wide>(minorLen);
        if (nLow > 0) {
            const Wide firstInside =
                floorDiv(twoMajor * (nLow - 1) + majorLen - bias, twoMinor) + 1;
            first = static_cast<Coord>(std::max<Wide>(first, firstInside));
        }
        const Wide lastInside = floorDiv(twoMajor * nHigh + majorLen - bias, twoMinor);
        last = static_cast<Coord>(std::min<Wide>(last, lastInside));
        return first <= last;
    }

    // Paints steps first through last, walking the pixels by stride.
    void paint(Framebuffer& picture, Coord first, Coord last, std::uint8_t grey) const {
        const Wide twoMajor = 2 * static_cast<Wide>(majorLen);
        const Wide twoMinor = 2 * static_cast<Wide>(minorLen);
        const Wide n = ceilDiv(twoMinor * first - majorLen + bias, twoMajor);
        Coord err = static_cast<Coord>(twoMinor - majorLen + twoMinor * first - twoMajor * n);
        const Coord major = major0 + majorSign * first;
        const Coord minor = minor0 + minorSign * static_cast<Coord>(n);
        const Coord width = picture.width();
        const Coord x = xMajor ? major : minor;
        const Coord y = xMajor ? minor : major;
        const Coord majorStride = xMajor ? majorSign : majorSign * width;
        const Coord minorStride = xMajor ? minorSign * width : minorSign;
        const Coord straightErr = static_cast<Coord>(twoMinor);
        const Coord diagonalErr = static_cast<Coord>(twoMinor - twoMajor);
        std::uint8_t* const pixels = picture.data();
        Coord at = y * width + x;
        for (Coord steps = last - first + 1; steps > 0; --steps) {
            pixels[at] = grey;
            if (err + bias > 0) {
                at += minorStride;
                err += diagonalErr;
            } else {
                err += straightErr;
            }
            at += majorStride;
        }
    }

    bool xMajor;
    Coord bias;
    Coord major0;
    Coord minor0;
    Coord majorLen;
    Coord minorLen;
    Coord majorSign;
    Coord minorSign;
    Coord majorLimit;
    Coord minorLimit;
};

// The ellipse's box, ordered, with its pen: what the outline's steps draw with.
struct EllipseBox {
    Framebuffer& picture;
    const PenDisc* disc;
    std::uint8_t grey;
    Coord l;
    Coord r;
    Coord t;
    Coord b;

    // Whether the pen, wherever it goes in the box, can touch the picture.
    bool touchesPicture() const {
        const Coord margin = disc != nullptr ? disc->width : 0;
        return !(r + margin < 0 || b + margin < 0 || l - margin >= picture.width() ||
                 t - margin >= picture.height());
    }

    void line(Coord xa, Coord ya, Coord xb, Coord yb) const {
        const int ax = static_cast<int>(xa), ay = static_cast<int>(ya);
        const int bx = static_cast<int>(xb), by = static_cast<int>(yb);
        if (disc != nullptr) {
            wideLine(picture, *disc, ax, ay, bx, by, grey);
        } else {
            thinLine(picture, ax, ay, bx, by, grey);
        }
    }

    // Too small to round: the box's outline, as a rectangle is drawn.
    void rectangle() const {
        line(r - 1, b - 1, l, b - 1);
        line(l, b - 1, l, t);
        line(l, t, r - 1, t);
        line(r - 1, t, r - 1, b - 1);
    }

    void plot(Coord x, Coord y) const {
        if (disc != nullptr) {
            stampDisc(picture, *disc, x, y, grey);
        } else if (x >= 0 && y >= 0 && x < picture.width() && y < picture.height()) {
            picture.data()[y * picture.width() + x] = grey;
        }
    }

    // First quadrant from the rightmost point upward, in box-relative steps; each point is
    // mirrored into the other three quadrants of the box.
    void rounded() const {
        const Coord w = r - l;
        const Coord h = b - t;
        EllipseSteps steps(w - 1, h - 1);
        Coord px = w - 1;
        Coord py = h / 2;
        while (px >= w / 2) {
            plot(l + px, t + h - 1 - py);
            plot(r - 1 - px, t + h - 1 - py);
            plot(l + px, t + py);
            plot(r - 1 - px, t + py);
            const EllipseSteps::Move move = steps.step();
            if (move.across) --px;
            if (move.down) ++py;
        }
    }
};

} // namespace

PenDisc makePenDisc(int width) {
    PenDisc disc{};
    disc.width = std::clamp(width, 1, maxPenWidth);
    const int w = disc.width;
    if (w < 2) return disc;
    // Zingl's ellipse steps for a w x w box, from the middle row down; the rows above mirror
    // the rows below.
    EllipseSteps steps(w - 1, w - 1);
    int x = 0;
    int y = w / 2;
    while (x <= w / 2) {
        const EllipseSteps::Move move = steps.step();
        if (move.across) ++x;
        if (move.down) {
            ++y;
            if (y < w) disc.inset[y] = static_cast<std::uint8_t>(x);
        }
    }
    for (int r = 0; r < w / 2; ++r) disc.inset[r] = disc.inset[w - 1 - r];
    return disc;
}

void thinLine(Framebuffer& picture, int x0, int y0, int x1, int y1, std::uint8_t grey) {
    Coord from = 0;
    Coord to = 0;
    if (y0 == y1) {
        straightRun(x0, x1, from, to);
        fillSpan(picture, y0, from, to, grey);
    } else if (x0 == x1) {
        straightRun(y0, y1, from, to);
        fillRect(picture, x0, from, Coord{x0} + 1, to, grey);
    } else {
        const Slant slant(picture, x0, y0, x1, y1);
        Coord first = 0;
        Coord last = 0;
        if (slant.visibleSteps(first, last)) slant.paint(picture, first, last, grey);
    }
}

void wideLine(Framebuffer& picture, const PenDisc& disc, int x0, int y0, int x1, int y1,
              std::uint8_t grey) {
    stampDisc(picture, disc, x0, y0, grey);
    const Coord dx = Coord{x1} - x0;
    const Coord dy = Coord{y1} - y0;
    const Coord w = disc.width;
    if (dx == 0 && dy == 0) return;
    stampDisc(picture, disc, x1, y1, grey);
    if (dy == 0) {
        const Coord top = y0 - w / 2;
        fillRect(picture, std::min(x0, x1), top, std::max(x0, x1), top + w, grey);
        return;
    }
    if (dx == 0) {
        const Coord left = x0 - w / 2;
        fillRect(picture, left, std::min(y0, y1), left + w, std::max(y0, y1), grey);
        return;
    }
    // The body's corners sit half a pen width either side of the ends, across the line; the
    // halves are rounded apart (one rounds (w + 1) / 2) so the body is w pixels thick.
    const double length = numeric::hypot(static_cast<double>(dx), static_cast<double>(dy));
    const double acrossX = static_cast<double>(w) * static_cast<double>(std::llabs(dy)) / length;
    const double acrossY = static_cast<double>(w) * static_cast<double>(std::llabs(dx)) / length;
    Point narrow{roundAway(acrossX / 2), roundAway(acrossY / 2)};
    Point broad{roundAway((acrossX + 1) / 2), roundAway((acrossY + 1) / 2)};
    if (dx < 0) {
        broad.y = -broad.y;
        narrow.y = -narrow.y;
    }
    if (dy < 0) {
        std::swap(narrow, broad);
        broad.x = -broad.x;
        narrow.x = -narrow.x;
    }
    const Point body[4] = {
        {x0 - narrow.x, y0 + narrow.y},
        {x0 + broad.x, y0 - broad.y},
        {x1 + broad.x, y1 - broad.y},
        {x1 - narrow.x, y1 + narrow.y},
    };
    fillPolygon(picture, body, 4, grey);
}

void ellipseOutline(Framebuffer& picture, const PenDisc* disc, int left, int top, int right,
                    int bottom, std::uint8_t grey) {
    const EllipseBox box{picture,
                         disc,
                         grey,
                         std::min(left, right),
                         std::max(left, right),
                         std::min(top, bottom),
                         std::max(top, bottom)};
    if (box.l == box.r || box.t == box.b || !box.touchesPicture()) return;
    const Coord w = box.r - box.l;
    const Coord h = box.b - box.t;
    if (w <= 2 || h <= 2) {
        box.rectangle();
    } else if (w <= maxEllipseSize && h <= maxEllipseSize) {
        box.rounded();
    }
}

} // namespace kueruma::raster
