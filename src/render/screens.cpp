#include "render/screens.hpp"

#include "game/menu_layout.hpp"
#include "render/draw_util.hpp"
#include "render/text.hpp"
#include "world/stages.hpp"

namespace kueruma::render {

using game::GameState;
namespace keypad = game::keypad;

namespace {

// The L that divides every menu screen: across the left part at a third of the height, then
// down to the bottom.
void menuFrame(seam::Canvas& canvas, int R, int B) {
    canvas.moveTo(0, B / 3);
    canvas.lineTo(R / 2 - 20, B / 3);
    canvas.lineTo(R / 2 - 20, B);
}

// From the top edge down to the selected row, 10 pixels below its text's top, and on to the
// right edge.
void cursorLine(seam::Canvas& canvas, int R, int B, int row) {
    const int y = 2 * B / 3 + 30 * row;
    canvas.moveTo(R / 2 - 60, 0);
    canvas.lineTo(R / 2 - 60, y);
    canvas.lineTo(R, y);
}

template <std::size_t N>
void menuRows(seam::Canvas& canvas, int R, int B, const std::array<std::string_view, N>& rows,
              int cursor) {
    for (int r = 0; r < static_cast<int>(N); ++r) {
        drawText(canvas, R / 2 - 40, 2 * B / 3 + 30 * r - 10, r == cursor ? white : menuGrey,
                 rows[static_cast<std::size_t>(r)]);
    }
}

// The label of a keypad cell; the blanks have none.
std::string_view keypadLabel(int cell) {
    static constexpr std::string_view digits[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    if (keypad::isDigitOneToNine(cell)) return digits[keypad::digitOf(cell) - 1];
    switch (cell) {
    case keypad::Enter:
        return "Enter";
    case keypad::Back:
        return "<";
    case keypad::Zero:
        return "0";
    case keypad::Forward:
        return ">";
    default:
        return {};
    }
}

} // namespace

void drawTitle(seam::Canvas& canvas, const GameState& gameState, int R, int B) {
    seam::withPen(canvas, 1, menuGrey, [&] {
        menuFrame(canvas, R, B);
        cursorLine(canvas, R, B, gameState.cursor);
    });
    canvas.setTransparentBackground();
    drawText(canvas, R / 2 - 100, B / 3 - 10, white, titleText);
    menuRows(canvas, R, B, game::title::labels, gameState.cursor);
}

void drawPassEntry(seam::Canvas& canvas, const GameState& gameState, int R, int B) {
    const int cell = gameState.keypadCell;
    seam::withPen(canvas, 1, menuGrey, [&] {
        menuFrame(canvas, R, B);
        const int keyX = R / 2 + 20 * (cell % keypad::columns) - 20;
        const int keyY = 2 * B / 3 + 30 * (cell / keypad::columns);
        canvas.moveTo(keyX, 0);
        canvas.lineTo(keyX, keyY);
        canvas.lineTo(R, keyY);
        const int digitX = R / 2 + 30 * gameState.cursor + 20;
        canvas.moveTo(digitX, 0);
        canvas.lineTo(digitX, B / 3);
        canvas.lineTo(R, B / 3);
    });
    canvas.setTransparentBackground();
    for (int i = 0; i < keypad::digitCount; ++i) {
        const NumberText digit("%1d", gameState.passDigits[static_cast<std::size_t>(i)]);
        drawText(canvas, R / 2 + 30 * i + 15, B / 3 - 10, i == gameState.cursor ? white : menuGrey,
                 digit.view());
    }
    for (int c = 0; c < keypad::cellCount; ++c) {
        const std::string_view label = keypadLabel(c);
        if (label.empty()) continue;
        const int grey = c == cell ? white : menuGrey;
        // "Enter" is wider than the other keys, so it starts further left.
        const int x = c == keypad::Enter ? R / 2 - 24 : R / 2 + 20 * (c % keypad::columns) - 25;
        const int y = 2 * B / 3 + 30 * (c / keypad::columns) - 8;
        drawText(canvas, x, y, grey, label);
    }
    drawText(canvas, R / 2 - 90, B / 3 - 10, white, "Admission");
}

void drawStageIntro(seam::Canvas& canvas, const GameState& gameState, int R, int B) {
    seam::withPen(canvas, 1, menuGrey, [&] { menuFrame(canvas, R, B); });
    canvas.setTransparentBackground();
    drawText(canvas, R / 2 - 100, B / 3 - 10, white,
             NumberText(stageFormat, gameState.stageIndex + 1).view());
    drawText(canvas, R / 2 - 100, B / 3 + 20, white,
             NumberText(clearPointFormat, gameState.clearPoint).view());
}

void drawResult(seam::Canvas& canvas, const game::PlayState& state, int R, int B) {
    const GameState& gameState = state.gameState;
    seam::withPen(canvas, 1, menuGrey, [&] {
        menuFrame(canvas, R, B);
        cursorLine(canvas, R, B, gameState.cursor);
    });
    canvas.setTransparentBackground();
    const int score = state.figure.score;
    drawText(canvas, R / 2 - 50, B / 6 - 10, white,
             NumberText(stageFormat, gameState.stageIndex + 1).view());
    drawText(canvas, R / 2 - 50, B / 3 - 10, white, NumberText(pointFormat, score).view());
    drawText(canvas, R / 2 - 50, B / 3 + 20, white,
             NumberText(clearPointFormat, gameState.clearPoint).view());
    const int stage = gameState.stageIndex;
    if (score >= gameState.clearPoint && stage >= 0 && stage < world::stageCount) {
        drawText(canvas, R / 2 - 50, B / 3 + 50, white, game::passMessage(stage));
    }
    menuRows(canvas, R, B, game::result::labels, gameState.cursor);
}

void drawHud(seam::Canvas& canvas, const game::PlayState& state) {
    const figure::Figure& f = state.figure;
    seam::withPen(canvas, 2, 63, [&] {
        for (int x = 580; x >= 448; x -= 4) lineBetween(canvas, x, 30, x, 50);
    });
    seam::withPen(canvas, 2, 191, [&] {
        for (int j = 0; j <= f.health / 3; ++j) {
            lineBetween(canvas, 580 - 4 * j, 30, 580 - 4 * j, 50);
        }
    });
    seam::withPen(canvas, 1, white, [&] {
        for (int j = 0; j <= f.score / 20; ++j) {
            lineBetween(canvas, 580 - 2 * j, 10, 580 - 2 * j, 30);
        }
    });
    auto comboDots = [&](int count) {
        for (int j = 0; j < count; ++j) lineBetween(canvas, 580 - 10 * j, 60, 580 - 10 * j, 60);
    };
    seam::withPen(canvas, 15, 63, [&] { comboDots(f.bestCombo); });
    seam::withPen(canvas, 15, 167, [&] { comboDots(f.combo); });
    canvas.setTransparentBackground();
    drawText(canvas, 585, 10, white, "POINT");
    drawText(canvas, 585, 30, white, "HP");
    drawText(canvas, 2 * (270 - f.score / 20), 10, white, NumberText("%4d", f.score).view());
    drawText(canvas, 550 - 4 * (f.health / 3), 30, white, NumberText("%3d", f.health).view());
    if (state.gameState.running) {
        drawText(canvas, 10 * (55 - f.bestCombo), 50, 63, NumberText("%3d", f.bestCombo).view());
        drawText(canvas, 10 * (55 - f.combo), 50, white, NumberText("%3d", f.combo).view());
        return;
    }
    // The stage's last paint: its best combo stands out in white.
    drawText(canvas, 380, 320, white, titleText);
    seam::withPen(canvas, 15, white, [&] {
        drawText(canvas, 10 * (55 - f.bestCombo), 50, white, NumberText("%3d", f.bestCombo).view());
        comboDots(f.bestCombo);
    });
}

} // namespace kueruma::render
