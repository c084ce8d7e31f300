// The title menu, the pass-code keypad and the code table, as the player works them.
#include "support/game_driver.hpp"

#include "app/menus.hpp"
#include "game/game_state.hpp"

#include <gtest/gtest.h>

namespace kueruma {
namespace {

using support::gameState;
using namespace headless;
using namespace loop;
using support::bootGame;
using support::run;

// Boots on the keypad (Admission is the first title item).
void openKeypad() {
    bootGame();
    run(1, KeyX);
    ASSERT_EQ(gameState.screen, game::PassEntry);
    ASSERT_EQ(headless::timerPeriodMs(), 100U);
}

// Moves to `cell` with single presses, by way of "Enter".
void goToCell(int cell) {
    run(5, KeyUp); // any cell reaches "Enter" going up
    for (int row = 0; row < cell / 3; ++row) run(1, KeyDown);
    const int column = cell % 3;
    for (int c = 1; c < column; ++c) run(1, KeyRight);
    if (column == 0) run(1, KeyLeft);
    ASSERT_EQ(gameState.keypadCell, cell);
}

TEST(TitleMenu, UpAndDownTogetherMoveUp) {
    bootGame();
    run(2, KeyDown);
    run(1, KeyUp | KeyDown);
    EXPECT_EQ(gameState.cursor, 1);
}

TEST(TitleMenu, UpOnTheFirstItemWithXConfirmsIt) {
    bootGame();
    run(1, KeyUp | KeyX);
    EXPECT_EQ(gameState.screen, game::PassEntry);
}

TEST(TitleMenu, OptionCuesButChangesNothingAndZDoesNothing) {
    bootGame();
    run(1, KeyDown);
    auto r = run(1, KeyX)[0];
    EXPECT_EQ(r.soundCount, 1);
    EXPECT_TRUE(r.painted);
    EXPECT_EQ(gameState.screen, game::Title);
    EXPECT_EQ(gameState.cursor, 1);
    r = run(1, KeyZ | KeyLeft | KeyRight)[0];
    EXPECT_EQ(r.soundCount, 0);
}

TEST(Keypad, OpensOnTheBlankCellAndAnyFirstMoveInTheTopRowLandsOnEnter) {
    for (KeySet key : {KeyLeft, KeyRight, KeyUp}) {
        openKeypad();
        EXPECT_EQ(gameState.keypadCell, 0);
        run(1, key);
        EXPECT_EQ(gameState.keypadCell, 1) << int(key);
    }
    openKeypad();
    run(1, KeyDown);
    EXPECT_EQ(gameState.keypadCell, 3);
}

TEST(Keypad, MovesStopAtTheEdgesAndTheTopRowStaysOnEnter) {
    openKeypad();
    goToCell(12);
    run(1, KeyLeft);
    run(1, KeyDown);
    EXPECT_EQ(gameState.keypadCell, 12);
    run(5, KeyUp);
    EXPECT_EQ(gameState.keypadCell, 1);
    run(1, KeyRight);
    EXPECT_EQ(gameState.keypadCell, 1);
}

TEST(Keypad, EveryTickWithAnyInputCuesMovesAndBlockedMovesIncluded) {
    openKeypad();
    goToCell(12);
    const auto r = run(1, KeyLeft)[0];
    EXPECT_EQ(r.soundCount, 1);
    EXPECT_EQ(run(1)[0].soundCount, 0);
}

TEST(Keypad, DigitsFillPositionsAndTheLastOneIsReplacedOnceFull) {
    openKeypad();
    goToCell(5); // digit 3
    auto r = run(1, KeyX)[0];
    EXPECT_EQ(r.sleptMs, 200);
    run(4, KeyX);
    EXPECT_EQ(gameState.passDigits, (std::array<std::int32_t, 4>{3, 3, 3, 3}));
    EXPECT_EQ(gameState.cursor, 3);
    goToCell(13); // digit 0
    run(1, KeyX);
    EXPECT_EQ(gameState.passDigits, (std::array<std::int32_t, 4>{3, 3, 3, 0}));
    EXPECT_EQ(gameState.cursor, 3);
}

TEST(Keypad, BackAtPositionZeroAndForwardAtThreeOnlyPauseAndCue) {
    openKeypad();
    goToCell(12);
    auto r = run(1, KeyX)[0];
    EXPECT_EQ(gameState.cursor, 0);
    EXPECT_EQ(r.sleptMs, 200);
    EXPECT_EQ(r.soundCount, 1);
    run(1, KeyRight);
    run(1, KeyRight); // ">"
    run(3, KeyX);
    EXPECT_EQ(gameState.cursor, 3);
    r = run(1, KeyX)[0];
    EXPECT_EQ(gameState.cursor, 3);
    EXPECT_EQ(r.sleptMs, 200);
}

TEST(Keypad, ConfirmingTheBlankCellOnlyPausesAndCues) {
    openKeypad();
    const auto r = run(1, KeyX)[0];
    EXPECT_EQ(r.sleptMs, 200);
    EXPECT_EQ(r.soundCount, 1);
    EXPECT_EQ(gameState.passDigits, (std::array<std::int32_t, 4>{}));
}

TEST(Keypad, EnterWithTheStartUpDigitsStartsTheFirstStageWithoutAPause) {
    openKeypad();
    run(1, KeyRight);
    const auto r = run(1, KeyX)[0];
    EXPECT_EQ(gameState.screen, game::StageIntro);
    EXPECT_EQ(gameState.stageIndex, 0);
    EXPECT_EQ(r.sleptMs, 0);
    EXPECT_EQ(r.timerMs, 50U);
}

TEST(Keypad, AWrongCodeChangesNothingAndIsTriedAgainWhileXIsHeld) {
    openKeypad();
    goToCell(3);
    run(1, KeyX); // 1000
    goToCell(1);
    const auto reports = run(2, KeyX);
    for (const auto& r : reports) {
        EXPECT_EQ(r.sleptMs, 200);
        EXPECT_EQ(r.soundCount, 1);
    }
    EXPECT_EQ(gameState.screen, game::PassEntry);
    EXPECT_EQ(gameState.keypadCell, 1);
    EXPECT_EQ(gameState.cursor, 1);
}

TEST(Keypad, UpAndXOnDigitTwoMoveToEnterAndCheckTheCodeInOneTick) {
    openKeypad();
    gameState.passDigits = {0, 4, 2, 7};
    goToCell(4);
    run(1, KeyUp | KeyX);
    EXPECT_EQ(gameState.screen, game::StageIntro);
    EXPECT_EQ(gameState.stageIndex, 2);
    EXPECT_EQ(gameState.passDigits, (std::array<std::int32_t, 4>{0, 4, 2, 7}));
}

TEST(Keypad, XAndZOnADigitEnterItThenLeaveForTitle) {
    openKeypad();
    goToCell(7); // digit 5
    const auto r = run(1, KeyX | KeyZ)[0];
    EXPECT_EQ(gameState.passDigits[0], 5);
    EXPECT_EQ(gameState.screen, game::Title);
    EXPECT_EQ(gameState.cursor, 0);
    EXPECT_EQ(gameState.keypadCell, 0);
    EXPECT_EQ(r.timerMs, 200U);
    EXPECT_EQ(r.sleptMs, 200);
}

TEST(Keypad, WithAValidCodeZIsNotLookedAt) {
    openKeypad();
    run(1, KeyRight);
    run(1, KeyX | KeyZ);
    EXPECT_EQ(gameState.screen, game::StageIntro);
}

TEST(Keypad, AValidCodeStaysInTheDigitsWhenTheKeypadIsOpenedAgain) {
    openKeypad();
    gameState.passDigits = {9, 3, 5, 7};
    run(1, KeyRight);
    run(1, KeyX);
    EXPECT_EQ(gameState.stageIndex, 8);
    EXPECT_EQ(gameState.keypadCell, 0);
    EXPECT_EQ(gameState.cursor, 0);
    gameState.running = false;
    run(2); // intro, then the first Play tick sees the stage over
    run(1);
    ASSERT_EQ(gameState.screen, game::Result);
    run(1, KeyDown);
    run(1, KeyX);
    EXPECT_EQ(gameState.screen, game::PassEntry);
    EXPECT_EQ(gameState.passDigits, (std::array<std::int32_t, 4>{9, 3, 5, 7}));
}

TEST(Keypad, TheCodeTableOpensEachStage) {
    const int codes[] = {0, 318, 427, 2836, 6081, 3417, 7265, 5902, 9357};
    for (int stage = 0; stage < 9; ++stage) EXPECT_EQ(app::stageForCode(codes[stage]), stage);
    EXPECT_EQ(app::stageForCode(1234), -1);
    EXPECT_EQ(app::stageForCode(3180), -1);
}

} // namespace
} // namespace kueruma
