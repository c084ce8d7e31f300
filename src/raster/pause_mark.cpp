#include "raster/pause_mark.hpp"

#include "raster/font.hpp"

#include <string_view>

namespace kueruma::raster {

namespace {

// Each of the font's pixels as a square of this side: the mark reads from across the room.
constexpr int markScale = 3;
constexpr std::uint8_t markGrey = 255;
constexpr std::uint8_t outlineGrey = 0;

// Paints the text's pixels (and, with `outline`, the ring around each) at the given place.
void drawText(Framebuffer& out, std::string_view text, int left, int top, bool outline) {
    int x = left;
    while (!text.empty()) {
        const font::Character c = font::firstCharacter(text);
        const font::Glyph glyph = font::glyphFor(c.code);
        for (int row = 0; row < font::cellHeight; ++row) {
            const unsigned bits = glyph.row(row);
            for (int column = 0; column < glyph.width; ++column) {
                if ((bits >> (glyph.width - 1 - column) & 1u) == 0) continue;
                const int ring = outline ? 1 : 0;
                for (int dy = -ring; dy < markScale + ring; ++dy) {
                    for (int dx = -ring; dx < markScale + ring; ++dx) {
                        const int px = x + column * markScale + dx;
                        const int py = top + row * markScale + dy;
                        if (out.contains(px, py)) out.set(px, py, outline ? outlineGrey : markGrey);
                    }
                }
            }
        }
        x += glyph.width * markScale;
        text.remove_prefix(static_cast<std::size_t>(c.bytes));
    }
}

} // namespace

void drawPaused(const Framebuffer& game, Framebuffer& out) {
    if (out.width() != game.width() || out.height() != game.height()) {
        out = Framebuffer(game.width(), game.height());
    }
    const std::size_t size =
        static_cast<std::size_t>(game.width()) * static_cast<std::size_t>(game.height());
    for (std::size_t i = 0; i < size; ++i)
        out.data()[i] = static_cast<std::uint8_t>(game.data()[i] / 2);
    constexpr std::string_view mark = "PAUSE";
    int width = 0;
    for (std::string_view rest = mark; !rest.empty();) {
        const font::Character c = font::firstCharacter(rest);
        width += font::glyphFor(c.code).width * markScale;
        rest.remove_prefix(static_cast<std::size_t>(c.bytes));
    }
    const int left = (game.width() - width) / 2;
    const int top = (game.height() - font::cellHeight * markScale) / 2;
    drawText(out, mark, left, top, true);
    drawText(out, mark, left, top, false);
}

} // namespace kueruma::raster
