#include "raster/pause_mark.hpp"

#include "raster/font.hpp"

namespace kueruma::raster {

namespace {

// Each of the font's pixels as a square of this side: the mark reads from across the room.
constexpr int markScale = 3;
constexpr std::uint8_t markGrey = 255;
constexpr std::uint8_t outlineGrey = 0;
// A line read in passing: the game's own size, a little dimmer than its texts.
constexpr std::uint8_t noteGrey = 200;
constexpr int noteMargin = 4;

} // namespace

int textWidth(std::string_view text, int scale) {
    int width = 0;
    while (!text.empty()) {
        const font::Character c = font::firstCharacter(text);
        width += font::glyphFor(c.code).width * scale;
        text.remove_prefix(static_cast<std::size_t>(c.bytes));
    }
    return width;
}

void drawText(Framebuffer& out, std::string_view text, int left, int top, int scale,
              std::uint8_t grey, int ring) {
    int x = left;
    while (!text.empty()) {
        const font::Character c = font::firstCharacter(text);
        const font::Glyph glyph = font::glyphFor(c.code);
        for (int row = 0; row < font::cellHeight; ++row) {
            const unsigned bits = glyph.row(row);
            for (int column = 0; column < glyph.width; ++column) {
                if ((bits >> (glyph.width - 1 - column) & 1u) == 0) continue;
                for (int dy = -ring; dy < scale + ring; ++dy) {
                    for (int dx = -ring; dx < scale + ring; ++dx) {
                        const int px = x + column * scale + dx;
                        const int py = top + row * scale + dy;
                        if (out.contains(px, py)) out.set(px, py, grey);
                    }
                }
            }
        }
        x += glyph.width * scale;
        text.remove_prefix(static_cast<std::size_t>(c.bytes));
    }
}

void dim(const Framebuffer& game, Framebuffer& out) {
    if (out.width() != game.width() || out.height() != game.height()) {
        out = Framebuffer(game.width(), game.height());
    }
    const std::size_t size =
        static_cast<std::size_t>(game.width()) * static_cast<std::size_t>(game.height());
    for (std::size_t i = 0; i < size; ++i)
        out.data()[i] = static_cast<std::uint8_t>(game.data()[i] / 2);
}

void drawPaused(const Framebuffer& game, Framebuffer& out) {
    dim(game, out);
    constexpr std::string_view mark = "PAUSE";
    const int left = (game.width() - textWidth(mark, markScale)) / 2;
    const int top = (game.height() - font::cellHeight * markScale) / 2;
    drawText(out, mark, left, top, markScale, outlineGrey, 1);
    drawText(out, mark, left, top, markScale, markGrey);
}

void drawNote(const Framebuffer& game, Framebuffer& out, std::string_view line) {
    out = game;
    const int top = game.height() - font::cellHeight - noteMargin;
    drawText(out, line, noteMargin, top, 1, outlineGrey, 1);
    drawText(out, line, noteMargin, top, 1, noteGrey);
}

} // namespace kueruma::raster
