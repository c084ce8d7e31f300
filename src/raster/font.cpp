#include "raster/font.hpp"

#include "raster/font_data.hpp"

#include <algorithm>

namespace kueruma::raster::font {

namespace {

// Shift-JIS lead bytes of double-byte characters (code page 932).
bool isLeadByte(unsigned byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

Character firstCharacter(std::string_view text) {
    if (text.empty()) return {0, 0};
    const unsigned lead = static_cast<unsigned char>(text[0]);
    if (isLeadByte(lead) && text.size() >= 2) {
        return {lead << 8 | static_cast<unsigned char>(text[1]), 2};
    }
    return {lead, 1};
}

Glyph glyphFor(unsigned code) {
    if (code > 0xFF) {
        const WideGlyph* end = wideGlyphs + wideGlyphCount;
        const WideGlyph* found = std::lower_bound(
            wideGlyphs, end, code, [](const WideGlyph& g, unsigned c) { return g.code < c; });
        if (found != end && found->code == code) return {16, nullptr, found->rows};
        return {16, nullptr, nullptr};
    }
    if (isLeadByte(code)) return {16, nullptr, nullptr};
    const int index = static_cast<int>(code) - narrowFirst;
    if (index >= 0 && index < narrowCount && (narrowPresent[index / 32] >> (index % 32) & 1u)) {
        return {8, narrowGlyphs[index], nullptr};
    }
    return {8, nullptr, nullptr};
}

bool hasGlyph(unsigned code) {
    return glyphFor(code).present();
}

bool hasGlyphs(std::string_view sjis) {
    while (!sjis.empty()) {
        const Character c = firstCharacter(sjis);
        if (!hasGlyph(c.code)) return false;
        sjis.remove_prefix(static_cast<std::size_t>(c.bytes));
    }
    return true;
}

} // namespace kueruma::raster::font
