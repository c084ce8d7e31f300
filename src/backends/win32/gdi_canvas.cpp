#include "backends/win32/gdi_canvas.hpp"

#include "game/menu_layout.hpp"
#include "render/text.hpp"

#include <algorithm>

namespace kueruma::win32 {

namespace {

// Code page 932 is Shift-JIS as Windows knows it, present on every Windows whatever its
// language; the ANSI calls would read the bytes in the machine's own code page instead.
constexpr UINT shiftJisCodePage = 932;
// The longest Japanese text the game draws has 20 characters; a line never needs more.
constexpr int maxTextUnits = 128;

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// True when the font selected into `dc` has a glyph for every character of every text.
bool hasGlyphs(HDC dc, const std::string_view* texts, int count) {
    for (int i = 0; i < count; ++i) {
        wchar_t wide[maxTextUnits];
        WORD glyphs[maxTextUnits];
        const int length = shiftJisToWide(texts[i], wide, maxTextUnits);
        if (length == 0) return false;
        if (GetGlyphIndicesW(dc, wide, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) {
            return false;
        }
        if (std::find(glyphs, glyphs + length, WORD{0xFFFF}) != glyphs + length) return false;
    }
    return true;
}

} // namespace

int shiftJisToWide(std::string_view sjis, wchar_t* out, int capacity) {
    if (sjis.empty() || sjis.size() > static_cast<std::size_t>(capacity)) return 0;
    return MultiByteToWideChar(shiftJisCodePage, 0, sjis.data(), static_cast<int>(sjis.size()), out,
                               capacity);
}

JapaneseFont::~JapaneseFont() {
    if (font_ != nullptr) DeleteObject(font_);
}

void JapaneseFont::choose(HDC dc, const std::string_view* texts, int count) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // A Japanese Windows' default font is a Shift-JIS one: keep it, as the game always did.
    if (metrics.tmCharSet == SHIFTJIS_CHARSET || hasGlyphs(dc, texts, count)) return;

    // The usual Japanese faces in the order they shipped with Windows; the empty name last
    // lets the font mapper pick any Shift-JIS face it knows.
    static constexpr const wchar_t* faces[] = {L"MS Gothic", L"MS UI Gothic", L"Meiryo",
                                               L"Yu Gothic", L""};
    for (const wchar_t* face : faces) {
        HFONT candidate = CreateFontW(metrics.tmHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                      SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      NONANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, face);
        if (candidate == nullptr) continue;
        HGDIOBJ previous = SelectObject(dc, candidate);
        const bool covers = hasGlyphs(dc, texts, count);
        if (covers) GetTextFaceW(dc, LF_FACESIZE, faceName_);
        SelectObject(dc, previous);
        if (covers) {
            font_ = candidate;
            return;
        }
        DeleteObject(candidate);
    }
    // No Japanese face at all: the default font draws what it can.
}

void JapaneseFont::chooseForGame(HDC dc) {
    const std::string_view texts[] = {render::titleText, game::closingRemark};
    choose(dc, texts, 2);
}

seam::ClientRect GdiCanvas::clientRect() {
    return {client_.left, client_.top, client_.right, client_.bottom};
}

seam::Pen GdiCanvas::createPen(int width, int grey) {
    const auto level = static_cast<BYTE>(grey);
    return reinterpret_cast<seam::Pen>(CreatePen(PS_SOLID, width, RGB(level, level, level)));
}

seam::Pen GdiCanvas::selectPen(seam::Pen pen) {
    return reinterpret_cast<seam::Pen>(SelectObject(dc_, reinterpret_cast<HGDIOBJ>(pen)));
}

void GdiCanvas::selectNullBrush() {
    SelectObject(dc_, GetStockObject(NULL_BRUSH));
}

void GdiCanvas::deletePen(seam::Pen pen) {
    DeleteObject(reinterpret_cast<HGDIOBJ>(pen));
}

void GdiCanvas::moveTo(int x, int y) {
    MoveToEx(dc_, x, y, nullptr);
}

void GdiCanvas::lineTo(int x, int y) {
    LineTo(dc_, x, y);
}

void GdiCanvas::ellipse(int left, int top, int right, int bottom) {
    Ellipse(dc_, left, top, right, bottom);
}

void GdiCanvas::setTransparentBackground() {
    SetBkMode(dc_, TRANSPARENT);
}

void GdiCanvas::setTextGrey(int grey) {
    const auto level = static_cast<BYTE>(grey);
    SetTextColor(dc_, RGB(level, level, level));
}

void GdiCanvas::textOut(int x, int y, std::string_view sjis) {
    if (isAscii(sjis)) {
        TextOutA(dc_, x, y, sjis.data(), static_cast<int>(sjis.size()));
        return;
    }
    wchar_t wide[maxTextUnits];
    const int length = shiftJisToWide(sjis, wide, maxTextUnits);
    if (length == 0) return;
    HGDIOBJ previous = japanese_.font() != nullptr ? SelectObject(dc_, japanese_.font()) : nullptr;
    TextOutW(dc_, x, y, wide, length);
    if (previous != nullptr) SelectObject(dc_, previous);
}

} // namespace kueruma::win32
