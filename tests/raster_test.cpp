// The raster canvas draws the pixels the Windows GDI draws: the 1-pixel line rule, wide pens
// with round caps, ellipse outlines, clipping, text cells and the pen table.
#include "raster/font.hpp"
#include "raster/raster_canvas.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

namespace kueruma::raster {
namespace {

using Pixels = std::set<std::pair<int, int>>;

// A small picture with its canvas, ready to paint.
struct Scene {
    Scene(int width, int height) : picture(width, height), canvas(picture) {
        picture.clear(0);
        canvas.beginPaint();
    }
    void line(int penWidth, int x0, int y0, int x1, int y1, int grey = 255) {
        seam::withPen(canvas, penWidth, grey, [&] {
            canvas.moveTo(x0, y0);
            canvas.lineTo(x1, y1);
        });
    }
    // Rows of '#' for painted and '.' for black pixels, each row ended by a newline.
    std::string art() const {
        std::string out;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) out += picture.at(x, y) ? '#' : '.';
            out += '\n';
        }
        return out;
    }
    Pixels painted() const {
        Pixels out;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (picture.at(x, y) != 0) out.insert({x, y});
            }
        }
        return out;
    }
    Framebuffer picture;
    RasterCanvas canvas;
};

std::string rows(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += std::string(l) + '\n';
    return out;
}

TEST(ThinLines, HorizontalAndVerticalPaintTheStartPixelAndNotTheEnd) {
    Scene s(8, 8);
    s.line(1, 1, 1, 5, 1);
    s.line(1, 6, 3, 2, 3);
    s.line(1, 1, 4, 1, 7);
    s.line(1, 6, 7, 6, 5);
    EXPECT_EQ(s.art(), rows({"........", //
                             ".####...", //
                             "........", //
                             "...####.", //
                             ".#......", //
                             ".#......", //
                             ".#....#.", //
                             "......#."}));
}

TEST(ThinLines, AZeroLengthLinePaintsNothing) {
    Scene s(5, 5);
    s.line(1, 2, 2, 2, 2);
    EXPECT_TRUE(s.painted().empty());
}

TEST(ThinLines, TiesAreBrokenTheSameWayInBothDirections) {
    // The line passes exactly between two pixels at x = 1 and x = 3; GDI picks the same one
    // whichever end it starts from.
    Scene forward(5, 3);
    forward.line(1, 0, 0, 4, 2);
    EXPECT_EQ(forward.art(), rows({"##...", //
                                   "..##.", //
                                   "....."}));
    Scene backward(5, 3);
    backward.line(1, 4, 2, 0, 0);
    EXPECT_EQ(backward.art(), rows({".#...", //
                                    "..##.", //
                                    "....#"}));
}

TEST(ThinLines, EveryLinePaintsTheSamePixelsWhicheverWayItIsDrawn) {
    // Every direction from the centre of an 11-pixel radius square: all eight octants, the
    // diagonals and every tie.
    const int c = 12;
    for (int x = 1; x < 24; ++x) {
        for (int y = 1; y < 24; ++y) {
            Scene forward(25, 25);
            forward.line(1, c, c, x, y);
            Scene backward(25, 25);
            backward.line(1, x, y, c, c);
            Pixels a = forward.painted();
            Pixels b = backward.painted();
            if (x == c && y == c) {
                EXPECT_TRUE(a.empty() && b.empty());
                continue;
            }
            // Each direction leaves out its own end point.
            EXPECT_EQ(a.count({x, y}), 0U);
            EXPECT_EQ(b.count({c, c}), 0U);
            a.insert({x, y});
            b.insert({c, c});
            EXPECT_EQ(a, b) << "line to " << x << "," << y;
            // A 1-pixel line has one pixel per step along its major axis.
            const int major = std::max(std::abs(x - c), std::abs(y - c));
            EXPECT_EQ(a.size(), static_cast<std::size_t>(major + 1));
        }
    }
}

TEST(ThinLines, ClippingKeepsThePixelsOfTheWholeLine) {
    // Lines between points around, on and inside the edges of a 20 x 12 picture, drawn again
    // on a larger picture that holds them whole: the visible pixels must agree.
    const int xs[] = {-9, -4, -1, 0, 3, 7, 11, 15, 19, 20, 23, 31};
    const int ys[] = {-8, -3, -1, 0, 1, 3, 5, 7, 11, 12, 17};
    const int margin = 64;
    Scene small(20, 12);
    Scene large(20 + 2 * margin, 12 + 2 * margin);
    for (int x0 : xs) {
        for (int y0 : ys) {
            for (int x1 : xs) {
                for (int y1 : ys) {
                    small.picture.clear(0);
                    large.picture.clear(0);
                    small.line(1, x0, y0, x1, y1);
                    large.line(1, x0 + margin, y0 + margin, x1 + margin, y1 + margin);
                    for (int y = 0; y < 12; ++y) {
                        for (int x = 0; x < 20; ++x) {
                            ASSERT_EQ(small.picture.at(x, y),
                                      large.picture.at(x + margin, y + margin))
                                << "line " << x0 << "," << y0 << " to " << x1 << "," << y1 << " at "
                                << x << "," << y;
                        }
                    }
                }
            }
        }
    }
}

TEST(ThinLines, FarOffCoordinatesNeitherWrapNorMissTheirPixels) {
    Scene s(16, 16);
    s.line(1, -2000000000, -2000000000, 2000000000, 2000000000);
    Pixels diagonal;
    for (int i = 0; i < 16; ++i) diagonal.insert({i, i});
    EXPECT_EQ(s.painted(), diagonal);

    // A line two billion pixels long that climbs one pixel, right in the middle (x = 0).
    for (bool reversed : {false, true}) {
        Scene r(4, 2);
        if (reversed) {
            r.line(1, 1000000000, 1, -1000000000, 0);
        } else {
            r.line(1, -1000000000, 0, 1000000000, 1);
        }
        EXPECT_EQ(r.art(), rows({"#...", //
                                 ".###"}));
    }

    Scene edges(8, 8);
    edges.line(1, INT_MIN, 3, INT_MAX, 3);
    edges.line(1, 5, INT_MAX, 5, INT_MIN);
    edges.line(1, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    edges.line(15, INT_MIN, INT_MAX, INT_MAX, INT_MIN);
    edges.line(2, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    edges.canvas.ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(edges.picture.at(0, 3), 255);
    EXPECT_EQ(edges.picture.at(7, 3), 255);
    EXPECT_EQ(edges.picture.at(5, 0), 255);
    EXPECT_EQ(edges.picture.at(5, 7), 255);
}

TEST(WidePens, AZeroLengthLineWithTheFifteenPixelPenPaintsARoundDot) {
    Scene s(21, 21);
    s.line(15, 10, 10, 10, 10);
    EXPECT_EQ(s.art(), rows({".....................", //
                             ".....................", //
                             ".....................", //
                             "........#####........", //
                             "......#########......", //
                             ".....###########.....", //
                             "....#############....", //
                             "....#############....", //
                             "...###############...", //
                             "...###############...", //
                             "...###############...", //
                             "...###############...", //
                             "...###############...", //
                             "....#############....", //
                             "....#############....", //
                             ".....###########.....", //
                             "......#########......", //
                             "........#####........", //
                             ".....................", //
                             ".....................", //
                             "....................."}));
}

TEST(WidePens, AZeroLengthLineWithTheTwoPixelPenPaintsASquareUpAndLeft) {
    Scene s(5, 5);
    s.line(2, 2, 2, 2, 2);
    EXPECT_EQ(s.art(), rows({".....", //
                             ".##..", //
                             ".##..", //
                             ".....", //
                             "....."}));
}

TEST(WidePens, TwoPixelStrokesCoverBothEndsWithTheirCaps) {
    // The health gauge's strokes: vertical, 2 wide, the caps reaching one pixel past the start
    // and painting the end row.
    Scene s(10, 9);
    s.line(2, 3, 2, 3, 6);
    s.line(2, 8, 1, 5, 1);
    EXPECT_EQ(s.art(), rows({"....#####.", //
                             "..#######.", //
                             "..##......", //
                             "..##......", //
                             "..##......", //
                             "..##......", //
                             "..##......", //
                             "..........", //
                             ".........."}));
}

TEST(WidePens, DiagonalTwoPixelLinesAreTheSameBothWays) {
    Scene forward(15, 10);
    forward.line(2, 2, 2, 12, 7);
    EXPECT_EQ(forward.art(), rows({"...............", //
                                   ".##............", //
                                   ".####..........", //
                                   "..#####........", //
                                   "....#####......", //
                                   "......#####....", //
                                   "........#####..", //
                                   "..........###..", //
                                   "...............", //
                                   "..............."}));
    Scene backward(15, 10);
    backward.line(2, 12, 7, 2, 2);
    EXPECT_EQ(backward.art(), forward.art());
}

TEST(Ellipses, AnEightPixelCircleTouchesEverySideOfItsBox) {
    Scene s(10, 10);
    seam::withPen(s.canvas, 1, 255, [&] { s.canvas.ellipse(1, 1, 9, 9); });
    EXPECT_EQ(s.art(), rows({"..........", //
                             "...####...", //
                             "..#....#..", //
                             ".#......#.", //
                             ".#......#.", //
                             ".#......#.", //
                             ".#......#.", //
                             "..#....#..", //
                             "...####...", //
                             ".........."}));
}

TEST(Ellipses, TheHeadFillsItsBoxExceptTheRightAndBottomEdges) {
    Scene s(60, 60);
    seam::withPen(s.canvas, 1, 255, [&] { s.canvas.ellipse(5, 7, 53, 55); });
    int minX = 99, minY = 99, maxX = -1, maxY = -1;
    for (auto [x, y] : s.painted()) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
        // The outline is symmetric about the box's centre lines.
        EXPECT_NE(s.picture.at(5 + 52 - x, y), 0);
        EXPECT_NE(s.picture.at(x, 7 + 54 - y), 0);
    }
    EXPECT_EQ(minX, 5);
    EXPECT_EQ(minY, 7);
    EXPECT_EQ(maxX, 52);
    EXPECT_EQ(maxY, 54);
    // A closed outline without gaps: every pixel has at least two 8-connected neighbours.
    for (auto [x, y] : s.painted()) {
        int neighbours = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx || dy) && s.picture.at(x + dx, y + dy)) ++neighbours;
            }
        }
        EXPECT_GE(neighbours, 2);
    }
}

TEST(Ellipses, BoxesTwoPixelsAcrossOrLessAreDrawnAsRectangles) {
    Scene s(8, 8);
    seam::withPen(s.canvas, 1, 255, [&] {
        s.canvas.ellipse(1, 1, 3, 6);
        s.canvas.ellipse(6, 6, 4, 4);
        s.canvas.ellipse(5, 1, 5, 4); // no width: nothing
    });
    EXPECT_EQ(s.art(), rows({"........", //
                             ".##.....", //
                             ".##.....", //
                             ".##.....", //
                             ".##.##..", //
                             ".##.##..", //
                             "........", //
                             "........"}));
}

TEST(Text, GlyphsStandAtTheTopLeftPointInTheTextGrey) {
    Scene s(40, 20);
    s.picture.clear(7);
    s.canvas.setTransparentBackground();
    s.canvas.setTextGrey(191);
    const std::string_view text = "A\x82\xA0|"; // 'A', hiragana 'a', '|'
    s.canvas.textOut(3, 2, text);
    const int cellX[] = {3, 11, 27};
    const unsigned codes[] = {'A', 0x82A0, '|'};
    for (int c = 0; c < 3; ++c) {
        const font::Glyph g = font::glyphFor(codes[c]);
        ASSERT_TRUE(g.present());
        for (int r = 0; r < 16; ++r) {
            for (int col = 0; col < g.width; ++col) {
                const bool ink = (g.row(r) >> (g.width - 1 - col)) & 1u;
                ASSERT_EQ(s.picture.at(cellX[c] + col, 2 + r), ink ? 191 : 7)
                    << "char " << c << " row " << r << " col " << col;
            }
        }
    }
    // Nothing outside the three cells, and the glyphs are not blank.
    int ink = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inCells = y >= 2 && y < 18 && x >= 3 && x < 35;
            if (!inCells) {
                EXPECT_EQ(s.picture.at(x, y), 7);
            }
            ink += s.picture.at(x, y) == 191;
        }
    }
    EXPECT_GT(ink, 30);
}

TEST(Text, OpaqueCellsAreWhiteAndTextOffThePictureIsClipped) {
    Scene s(20, 20);
    s.canvas.setTextGrey(0);
    s.canvas.textOut(-4, -8, " ");
    s.canvas.textOut(30, 30, "far");
    s.canvas.textOut(INT_MAX - 4, INT_MIN, "\x8E\x9F");
    Pixels expected;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 4; ++x) expected.insert({x, y});
    }
    EXPECT_EQ(s.painted(), expected);
}

TEST(Pens, EveryPaintStartsWithTheBlackOnePixelStockPen) {
    Scene s(6, 3);
    s.picture.clear(200);
    const seam::Pen white = s.canvas.createPen(2, 255);
    s.canvas.selectPen(white);
    s.canvas.beginPaint();
    s.canvas.moveTo(1, 1);
    s.canvas.lineTo(4, 1);
    EXPECT_EQ(s.picture.at(1, 1), 0);
    EXPECT_EQ(s.picture.at(3, 1), 0);
    EXPECT_EQ(s.picture.at(1, 0), 200); // one pixel wide
    EXPECT_EQ(s.picture.at(4, 1), 200);
}

TEST(Pens, AFullTableRefusesNewPensAndSelectingNoPenKeepsTheOldOne) {
    Scene s(4, 20);
    seam::Pen pens[RasterCanvas::maxPens];
    for (int i = 0; i < RasterCanvas::maxPens; ++i) {
        pens[i] = s.canvas.createPen(1, 10 + i);
        ASSERT_NE(pens[i], 0U);
    }
    EXPECT_EQ(s.canvas.createPen(1, 255), 0U);

    EXPECT_EQ(s.canvas.selectPen(pens[3]), RasterCanvas::stockBlackPen);
    // The game's stroke with a pen that could not be made draws with the pen already selected.
    seam::withPen(s.canvas, 1, 255, [&] {
        s.canvas.moveTo(1, 0);
        s.canvas.lineTo(1, 5);
    });
    EXPECT_EQ(s.picture.at(1, 2), 13);
    EXPECT_EQ(s.canvas.selectPen(0), 0U);
    EXPECT_EQ(s.canvas.selectPen(pens[0]), pens[3]);

    // A deleted pen frees its slot; the selected pen cannot be deleted.
    s.canvas.deletePen(pens[0]);
    EXPECT_EQ(s.canvas.createPen(1, 255), 0U);
    s.canvas.deletePen(pens[5]);
    EXPECT_EQ(s.canvas.selectPen(pens[5]), 0U);
    const seam::Pen fresh = s.canvas.createPen(1, 99);
    EXPECT_NE(fresh, 0U);
    s.canvas.selectPen(fresh);
    s.canvas.moveTo(2, 0);
    s.canvas.lineTo(2, 5);
    EXPECT_EQ(s.picture.at(2, 2), 99);
}

} // namespace
} // namespace kueruma::raster
