// The shell's screen state machine: periods, pauses, the cue rule and every transition.
#include "support/game_driver.hpp"

#include "app/shell.hpp"
#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "world/blocks.hpp"

#include <gtest/gtest.h>

namespace kueruma {
namespace {

using loop::KeyDown;
using loop::KeyUp;
using loop::KeyX;
using loop::KeyZ;
using support::bootGame;
using support::gameState;
using support::run;
using support::soundsOf;

const std::vector<std::string> cue{"WavF_01.wav"};

TEST(Shell, StartsOnTitleWithTheTwoHundredMillisecondTimer) {
    bootGame();
    EXPECT_EQ(gameState.screen, game::Title);
    EXPECT_EQ(headless::timerPeriodMs(), 200U);
    EXPECT_TRUE(headless::bootReport().painted);
    EXPECT_EQ(gameState.goalX, 0.0);
    EXPECT_EQ(gameState.clearPoint, 0);
}

TEST(Shell, AMenuTickWithoutInputPlaysNothingAndPaintsNothing) {
    bootGame();
    for (const auto& r : run(3)) {
        EXPECT_EQ(r.timerMs, 200U);
        EXPECT_EQ(r.soundCount, 0);
        EXPECT_FALSE(r.painted);
    }
    // Up on the first item is no move either.
    const auto r = run(1, KeyUp)[0];
    EXPECT_EQ(r.soundCount, 0);
    EXPECT_FALSE(r.painted);
}

TEST(Shell, NewGameCuesThenTheIntroHoldsTwoSecondsBeforePlay) {
    bootGame();
    auto reports = run(2, KeyDown);
    EXPECT_EQ(gameState.cursor, 2);
    EXPECT_EQ(soundsOf(reports[0]), cue);
    EXPECT_TRUE(reports[1].painted);
    reports = run(1, KeyX);
    EXPECT_EQ(soundsOf(reports[0]), cue);
    EXPECT_EQ(gameState.screen, game::StageIntro);
    EXPECT_EQ(reports[0].timerMs, 50U);
    EXPECT_TRUE(gameState.running);
    EXPECT_EQ(gameState.goalX, 4800.0);
    reports = run(1);
    EXPECT_EQ(reports[0].sleptMs, 2000);
    EXPECT_EQ(reports[0].soundCount, 0);
    EXPECT_TRUE(reports[0].painted);
    EXPECT_EQ(gameState.screen, game::Play);
}

TEST(Shell, ThePlayTickAfterTheIntroComesAtOnceBecauseLateTicksCoalesce) {
    bootGame(0);
    const std::int64_t before = headless::nowMs();
    run(1); // the intro tick sleeps 2000 ms
    const auto play = run(2);
    EXPECT_EQ(play[0].tickMs, before + 50 + 2000);
    EXPECT_EQ(play[1].tickMs, play[0].tickMs + 50);
}

TEST(Shell, StageIndexZeroWithNoInputTimesOutOnPlayTick961) {
    support::startStageAndSkipIntro(0);
    const auto reports = run(961);
    EXPECT_FALSE(gameState.running);
    EXPECT_EQ(support::figure.health, 0);
    EXPECT_EQ(gameState.scrollX, 4805.0);
    EXPECT_EQ(gameState.screen, game::Play);
    // The next tick waits a second and shows the result.
    const auto end = run(1)[0];
    EXPECT_EQ(end.sleptMs, 1000);
    EXPECT_EQ(gameState.screen, game::Result);
    EXPECT_EQ(end.timerMs, 50U);
    EXPECT_TRUE(end.painted);
}

TEST(Shell, ScrollEqualToTheGoalDoesNotEndTheStage) {
    support::startStageAndSkipIntro(0);
    run(960);
    EXPECT_EQ(gameState.scrollX, 4800.0);
    EXPECT_TRUE(gameState.running);
}

TEST(Shell, XHeldThroughTheEndOfAStageReplaysIt) {
    support::startStageAndSkipIntro(0);
    support::figure.health = 1;
    gameState.goalX = 2; // the figure and the view are past the goal on the next tick
    run(1);
    ASSERT_FALSE(gameState.running);
    run(1, KeyX); // the end pause, then Result
    EXPECT_EQ(gameState.screen, game::Result);
    EXPECT_EQ(gameState.cursor, 0);
    const auto r = run(1, KeyX)[0];
    EXPECT_EQ(gameState.screen, game::StageIntro);
    EXPECT_EQ(soundsOf(r), cue);
    EXPECT_EQ(gameState.goalX, 4800.0);
}

TEST(Shell, ResultOtherStageOpensTheKeypadAndZLeadsBackToTitle) {
    support::startStageAndSkipIntro(0);
    gameState.running = false;
    run(1);
    ASSERT_EQ(gameState.screen, game::Result);
    run(1, KeyDown);
    EXPECT_EQ(gameState.cursor, 1);
    EXPECT_EQ(run(1, KeyDown)[0].soundCount, 0); // already on the last item
    auto r = run(1, KeyX)[0];
    EXPECT_EQ(gameState.screen, game::PassEntry);
    EXPECT_EQ(r.timerMs, 100U);
    r = run(1, KeyZ)[0];
    EXPECT_EQ(gameState.screen, game::Title);
    EXPECT_EQ(r.timerMs, 200U);
    EXPECT_EQ(soundsOf(r), cue);
}

TEST(Shell, ExitPostsTheQuitMessageWithoutAPaint) {
    bootGame();
    run(3, KeyDown);
    const auto r = run(1, KeyX)[0];
    EXPECT_TRUE(r.quit);
    EXPECT_FALSE(r.painted);
    EXPECT_EQ(headless::exitCode(), 0);
    EXPECT_FALSE(headless::tick()); // the loop has ended
}

TEST(Shell, MenuCommandZeroClosesTheWindowAndOthersAreSwallowed) {
    bootGame();
    headless::shell().onCommand(headless::mainWindow(), 7);
    EXPECT_FALSE(headless::quitPosted());
    headless::shell().onCommand(headless::mainWindow(),
                                0x10000); // only the low 16 bits name the command
    EXPECT_TRUE(headless::quitPosted());
    EXPECT_EQ(headless::exitCode(), 0);
}

TEST(Shell, AnUnknownScreenValueMakesTheTickDoNothing) {
    bootGame();
    gameState.screen = 9;
    headless::tapKey(0x28);
    const auto r = run(1, KeyX)[0];
    EXPECT_FALSE(r.painted);
    EXPECT_EQ(r.soundCount, 0);
    EXPECT_EQ(gameState.input.x, 0); // no input was even sampled
}

TEST(Shell, ARepaintDuringPlayAdvancesBreakTimersWhileOtherScreensTouchNone) {
    support::startStageAndSkipIntro(0);
    support::blockPool[0].active = false;
    headless::paintNow();
    EXPECT_EQ(support::blockPool[0].breakTimer, 49);
    gameState.screen = game::Title;
    headless::paintNow();
    EXPECT_EQ(support::blockPool[0].breakTimer, 49);
}

} // namespace
} // namespace kueruma
