// The paint's canvas: a thin wrapper over a device context (the one BeginPaint gives, or a
// memory one over a bitmap), plus the wide-text path that keeps the Japanese texts readable on
// any Windows.
#pragma once

#include "seam/canvas.hpp"

#include <windows.h>

namespace kueruma::win32 {

// The font the Japanese texts are drawn with: null when the default font already has their
// glyphs (a Japanese Windows), else a Japanese face of the default font's height.
class JapaneseFont {
  public:
    JapaneseFont() = default;
    JapaneseFont(const JapaneseFont&) = delete;
    JapaneseFont& operator=(const JapaneseFont&) = delete;
    ~JapaneseFont();

    // Looks at the default font of `dc` and, if it lacks any glyph of `texts` (Shift-JIS),
    // picks the first Japanese face that has them all.
    void choose(HDC dc, const std::string_view* texts, int count);
    // The same for the game's own Japanese texts.
    void chooseForGame(HDC dc);
    HFONT font() const { return font_; }
    // The face chosen, for diagnostics; empty when the default font is kept.
    const wchar_t* faceName() const { return faceName_; }

  private:
    HFONT font_ = nullptr;
    wchar_t faceName_[LF_FACESIZE] = {};
};

// Converts Shift-JIS bytes to UTF-16 into `out` (at most `capacity` units, not terminated);
// returns the number of units written, 0 if the text does not fit or does not convert.
int shiftJisToWide(std::string_view sjis, wchar_t* out, int capacity);

class GdiCanvas final : public seam::Canvas {
  public:
    // `client` is the area the paint covers: the window's client rectangle or the bitmap's.
    GdiCanvas(HDC dc, const RECT& client, const JapaneseFont& japanese)
        : dc_(dc), client_(client), japanese_(japanese) {}

    seam::ClientRect clientRect() override;
    seam::Pen createPen(int width, int grey) override;
    seam::Pen selectPen(seam::Pen pen) override;
    void selectNullBrush() override;
    void deletePen(seam::Pen pen) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void setTransparentBackground() override;
    void setTextGrey(int grey) override;
    void textOut(int x, int y, std::string_view sjis) override;

  private:
    HDC dc_;
    RECT client_;
    const JapaneseFont& japanese_;
};

} // namespace kueruma::win32
