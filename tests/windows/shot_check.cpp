// Checks a screenshot of the Windows program's client area against the screen's layout: the
// 1-pixel grey lines must be exactly where the layout puts them, each text must be drawn in its
// colour, and on the play field the floor line and the HUD must be there.
//
//   kueruma-shot-check SCREEN SHOT.ppm [REFERENCE.ppm]
//   SCREEN: title0..title3 (title with that row selected), intro, play, result, paused (the
//   play field dimmed under the pause mark)
//
// The screenshot is the program's X window: its menu bar on top of the client area.
// A REFERENCE (a raster-canvas frame of the same screen) must have the same grey lines too.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The client size, taken from the screenshot: R and B as the layout names them.
int R = 0;
int B = 0;
constexpr int menuGrey = 127;

struct Image {
    int width = 0;
    int height = 0;
    int top = 0; // rows above the client area (the menu bar)
    std::vector<unsigned char> rgb;

    // -1 for a pixel that is not a grey, else its level.
    int grey(int x, int y) const {
        const unsigned char* p = &rgb[3 * (static_cast<size_t>(y + top) * width + x)];
        return p[0] == p[1] && p[1] == p[2] ? p[0] : -1;
    }
    bool black(int x, int y) const {
        const unsigned char* p = &rgb[3 * (static_cast<size_t>(y + top) * width + x)];
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
};

bool readPpm(const char* path, Image& image) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    if (!in || magic != "P6" || maxValue != 255) return false;
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()),
            static_cast<std::streamsize>(image.rgb.size()));
    if (!in) return false;
    // The client area starts below the menu bar, at the first of ten black rows on the left edge
    // (the layout draws nothing there in the top third).
    for (int y = 0; y + 10 < image.height; ++y) {
        bool black = true;
        for (int k = 0; k < 10 && black; ++k) {
            const unsigned char* p = &image.rgb[3 * static_cast<size_t>((y + k) * image.width)];
            black = p[0] == 0 && p[1] == 0 && p[2] == 0;
        }
        if (black) {
            image.top = y;
            return true;
        }
    }
    return false;
}

// Where a text may have drawn pixels: generous for the font, since only glyphs are inside.
struct TextBox {
    const char* name;
    int x, y, width, height;
    int grey; // 255 or 127
};

TextBox ascii(const char* name, int x, int y, int grey) {
    return {name, x, y, 11 * static_cast<int>(std::strlen(name)), 20, grey};
}
TextBox japanese(const char* name, int x, int y, int characters, int grey) {
    return {name, x, y, 18 * characters, 20, grey};
}

// The pixels a 1-pixel pen sets for MoveToEx/LineTo runs: each segment without its end point.
struct Lines {
    std::vector<unsigned char> on = std::vector<unsigned char>(static_cast<size_t>(R) * B, 0);
    int x = 0, y = 0;
    void moveTo(int x0, int y0) { x = x0, y = y0; }
    void lineTo(int x1, int y1) { // the layout only has horizontal and vertical lines
        const int dx = x1 > x ? 1 : (x1 < x ? -1 : 0);
        const int dy = y1 > y ? 1 : (y1 < y ? -1 : 0);
        for (; x != x1 || y != y1; x += dx, y += dy) {
            if (x >= 0 && x < R && y >= 0 && y < B) on[static_cast<size_t>(y) * R + x] = 1;
        }
    }
    bool at(int px, int py) const { return on[static_cast<size_t>(py) * R + px] != 0; }
};

void menuFrame(Lines& lines) {
    lines.moveTo(0, B / 3);
    lines.lineTo(R / 2 - 20, B / 3);
    lines.lineTo(R / 2 - 20, B);
}

void cursorLine(Lines& lines, int row) {
    lines.moveTo(R / 2 - 60, 0);
    lines.lineTo(R / 2 - 60, 2 * B / 3 + 30 * row);
    lines.lineTo(R, 2 * B / 3 + 30 * row);
}

bool inBoxes(const std::vector<TextBox>& boxes, int x, int y) {
    for (const TextBox& b : boxes) {
        if (x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height) return true;
    }
    return false;
}

int failures = 0;

void expect(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

// Outside the text boxes, grey 127 is exactly the layout's lines.
void checkLines(const Image& image, const Lines& lines, const std::vector<TextBox>& boxes,
                const char* source) {
    int missing = 0, extra = 0, expected = 0;
    for (int y = 0; y < B; ++y) {
        for (int x = 0; x < R; ++x) {
            if (inBoxes(boxes, x, y)) continue;
            const bool want = lines.at(x, y);
            const bool got = image.grey(x, y) == menuGrey;
            expected += want;
            if (want && !got) {
                if (missing++ < 3) std::printf("     %s: no line pixel at (%d,%d)\n", source, x, y);
            } else if (!want && got) {
                if (extra++ < 3)
                    std::printf("     %s: stray grey pixel at (%d,%d)\n", source, x, y);
            }
        }
    }
    expect(missing == 0 && extra == 0 && expected > 0,
           std::string(source) + ": grey lines match the layout (" + std::to_string(expected) +
               " pixels, " + std::to_string(missing) + " missing, " + std::to_string(extra) +
               " stray)");
}

// Each text has pixels of its own colour, and a grey text no white ones.
void checkTexts(const Image& image, const std::vector<TextBox>& boxes) {
    for (const TextBox& b : boxes) {
        int own = 0, white = 0;
        for (int y = b.y; y < b.y + b.height && y < B; ++y) {
            for (int x = b.x; x < b.x + b.width && x < R; ++x) {
                own += image.grey(x, y) == b.grey;
                white += image.grey(x, y) == 255;
            }
        }
        const bool ok = own >= 15 && (b.grey == 255 || white == 0);
        expect(ok, std::string("text \"") + b.name + "\" drawn in grey " + std::to_string(b.grey) +
                       " (" + std::to_string(own) + " pixels)");
    }
}

std::vector<TextBox> titleTexts(int row) {
    const char* items[] = {"Admission", "Option", "NewGame", "Exit"};
    std::vector<TextBox> boxes{japanese("title", R / 2 - 100, B / 3 - 10, 5, 255)};
    for (int r = 0; r < 4; ++r) {
        boxes.push_back(ascii(items[r], R / 2 - 40, 2 * B / 3 + 30 * r - 10, r == row ? 255 : 127));
    }
    return boxes;
}

void checkPlay(const Image& image) {
    int floor = 0;
    for (int x = 0; x < R - 1; ++x) floor += image.grey(x, 400) == 255;
    expect(floor == R - 1, "the floor line runs white across the client area at y = 400 (" +
                               std::to_string(floor) + " pixels)");
    int gauge = 0;
    for (int y = 30; y < 50; ++y) gauge += image.grey(580, y) == 191;
    expect(gauge >= 18, "the health gauge's first stroke is grey 191 at x = 580");
    checkTexts(image, {ascii("POINT", 585, 10, 255), ascii("HP", 585, 30, 255)});
    int lit = 0;
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 440; ++x) lit += !image.black(x, y);
    }
    expect(lit > 50, "the figure and the blocks are drawn above the floor");
}

// A paused play field: the picture at half its brightness (the white floor line grey 127), and
// white only in the pause mark in the middle.
void checkPaused(const Image& image) {
    int floor = 0;
    for (int x = 0; x < R - 1; ++x) floor += image.grey(x, 400) == 127;
    expect(floor == R - 1, "the floor line runs grey 127 (dimmed) at y = 400 (" +
                               std::to_string(floor) + " pixels)");
    int mark = 0, whiteElsewhere = 0, coloured = 0;
    for (int y = 0; y < B; ++y) {
        for (int x = 0; x < R; ++x) {
            const int grey = image.grey(x, y);
            coloured += grey < 0;
            if (grey != 255) continue;
            const bool middle =
                x > R / 2 - 100 && x < R / 2 + 100 && y > B / 2 - 40 && y < B / 2 + 40;
            (middle ? mark : whiteElsewhere) += 1;
        }
    }
    expect(mark >= 200,
           "the pause mark is white in the middle (" + std::to_string(mark) + " pixels)");
    expect(whiteElsewhere == 0 && coloured == 0,
           "nothing else is brighter than half white, and all is grey (" +
               std::to_string(whiteElsewhere) + " white, " + std::to_string(coloured) +
               " coloured pixels)");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s title0..title3|intro|play|result|paused SHOT.ppm [REF.ppm]\n",
                     argv[0]);
        return 2;
    }
    const std::string screen = argv[1];
    Image shot;
    if (!readPpm(argv[2], shot)) {
        std::fprintf(stderr, "%s: not a P6 picture of a client area\n", argv[2]);
        return 2;
    }
    R = shot.width;
    B = shot.height - shot.top;
    std::printf("     client area %dx%d below %d rows of menu bar\n", R, B, shot.top);
    Lines lines;
    std::vector<TextBox> boxes;
    if (screen.size() == 6 && screen.compare(0, 5, "title") == 0) {
        const int row = screen[5] - '0';
        menuFrame(lines);
        cursorLine(lines, row);
        boxes = titleTexts(row);
    } else if (screen == "intro") {
        menuFrame(lines);
        boxes = {ascii("Stage  1", R / 2 - 100, B / 3 - 10, 255),
                 ascii("ClearPoint 00000", R / 2 - 100, B / 3 + 20, 255)};
    } else if (screen == "result") {
        menuFrame(lines);
        cursorLine(lines, 0);
        boxes = {ascii("Stage  1", R / 2 - 50, B / 6 - 10, 255),
                 ascii("Point 00000", R / 2 - 50, B / 3 - 10, 255),
                 ascii("ClearPoint 00000", R / 2 - 50, B / 3 + 20, 255),
                 ascii("Replay", R / 2 - 40, 2 * B / 3 - 10, 255),
                 ascii("OtherStage", R / 2 - 40, 2 * B / 3 + 20, 127)};
    } else if (screen == "play" || screen == "paused") {
        screen == "play" ? checkPlay(shot) : checkPaused(shot);
        std::printf("%d failed\n", failures);
        return failures == 0 ? 0 : 1;
    } else {
        std::fprintf(stderr, "unknown screen %s\n", screen.c_str());
        return 2;
    }
    checkLines(shot, lines, boxes, "screenshot");
    checkTexts(shot, boxes);
    if (argc > 3) {
        Image reference;
        if (!readPpm(argv[3], reference) || reference.width != R ||
            reference.height - reference.top != B) {
            std::fprintf(stderr, "%s: not a %dx%d P6 picture\n", argv[3], R, B);
            return 2;
        }
        checkLines(reference, lines, boxes, "raster frame");
    }
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
