// The raster canvas's text face: a 16-pixel bitmap font keyed by Shift-JIS code, 8 x 16 for
// single bytes and 16 x 16 for double-byte characters, drawn from the cell's top-left corner.
#pragma once

#include <cstdint>
#include <string_view>

namespace kueruma::raster::font {

inline constexpr int cellHeight = 16;

// One character of a Shift-JIS text: its code (the byte, or lead byte * 256 + trail byte) and
// the number of bytes it takes (0 at the end of the text).
struct Character {
    unsigned code;
    int bytes;
};

// The character at the start of `text`. A lead byte with no trail byte left is read alone.
Character firstCharacter(std::string_view text);

// The glyph of one character: its cell width (8 or 16) and its rows of bits. Both row pointers
// are null when the font has no glyph for it; the character then draws nothing and only moves
// the next character on by its width.
struct Glyph {
    int width;
    const std::uint8_t* narrowRows;
    const std::uint16_t* wideRows;
    bool present() const { return narrowRows != nullptr || wideRows != nullptr; }
    // The bits of row `r` (0 to 15), leftmost pixel in bit width - 1.
    unsigned row(int r) const {
        return narrowRows != nullptr ? narrowRows[r] : (wideRows != nullptr ? wideRows[r] : 0u);
    }
};

Glyph glyphFor(unsigned code);

bool hasGlyph(unsigned code);
// True when every character of the Shift-JIS text has a glyph.
bool hasGlyphs(std::string_view sjis);

} // namespace kueruma::raster::font
