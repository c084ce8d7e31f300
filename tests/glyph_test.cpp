// Every text the game can draw has glyphs in the raster canvas's font.
#include "game/menu_layout.hpp"
#include "raster/font.hpp"
#include "render/text.hpp"
#include "world/stages.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace kueruma {
namespace {

using raster::font::hasGlyphs;

TEST(Glyphs, EveryFixedTextOfTheGameHasGlyphs) {
    EXPECT_TRUE(hasGlyphs(render::titleText));
    EXPECT_TRUE(hasGlyphs(game::closingRemark));
    for (int stage = 0; stage < world::stageCount; ++stage) {
        EXPECT_TRUE(hasGlyphs(game::passMessage(stage)));
    }
    for (std::string_view item : game::title::labels) EXPECT_TRUE(hasGlyphs(item));
    for (std::string_view item : game::result::labels) EXPECT_TRUE(hasGlyphs(item));
    for (std::string_view text : {"Enter", "<", ">", "POINT", "HP", "Admission"}) {
        EXPECT_TRUE(hasGlyphs(text)) << text;
    }
}

TEST(Glyphs, EveryFormattedNumberHasGlyphs) {
    const char* formats[] = {
        render::stageFormat, render::clearPointFormat, render::pointFormat, "%1d", "%3d", "%4d"};
    for (const char* format : formats) {
        for (int value : {0, 7, -42, 12345, INT_MIN, INT_MAX}) {
            const render::NumberText text(format, value);
            EXPECT_TRUE(hasGlyphs(text.view())) << format << " " << value;
        }
    }
}

TEST(Glyphs, TheWindowTitleAndMenuHaveGlyphs) {
    // "++クエルマー++", "ゲーム", "シュウリョウ" in Shift-JIS.
    EXPECT_TRUE(hasGlyphs("++\x83\x4E\x83\x47\x83\x8B\x83\x7D\x81\x5B++"));
    EXPECT_TRUE(hasGlyphs("\x83\x51\x81\x5B\x83\x80"));
    EXPECT_TRUE(hasGlyphs("\x83\x56\x83\x85\x83\x45\x83\x8A\x83\x87\x83\x45"));
}

TEST(Glyphs, AllKanaAndPrintableAsciiAreThere) {
    for (unsigned c = 0x20; c <= 0x7E; ++c) EXPECT_TRUE(raster::font::hasGlyph(c)) << c;
    for (unsigned c = 0x829F; c <= 0x82F1; ++c) EXPECT_TRUE(raster::font::hasGlyph(c)) << c;
    for (unsigned c = 0x8340; c <= 0x8396; ++c) {
        if (c == 0x837F) continue; // 0x7F is no trail byte
        EXPECT_TRUE(raster::font::hasGlyph(c)) << c;
    }
}

TEST(Glyphs, UnknownCharactersAreReported) {
    EXPECT_FALSE(hasGlyphs("\x01"));
    EXPECT_FALSE(hasGlyphs("\x88\x9F")); // a kanji the game never draws
    EXPECT_FALSE(hasGlyphs("abc\x82"));  // a lead byte cut off
    const raster::font::Character c = raster::font::firstCharacter("\x8A\xB4x");
    EXPECT_EQ(c.code, 0x8AB4U);
    EXPECT_EQ(c.bytes, 2);
}

} // namespace
} // namespace kueruma
