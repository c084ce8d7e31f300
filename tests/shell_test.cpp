// The shell's screen state machine: periods, pauses, the cue rule and the transitions.
#include "support/game_driver.hpp"

#include "game/game_state.hpp"

#include <gtest/gtest.h>

namespace kueruma {
namespace {

using game::gameState;
using headless::KeyDown;
using headless::KeyX;
using testing::bootGame;
using testing::run;
using testing::soundsOf;

TEST(Shell, TitleTicksWithoutInputPlayAndPaintNothing) {
    bootGame();
    const auto reports = run(3);
    for (const auto& r : reports) {
        EXPECT_EQ(r.timerMs, 200U);
        EXPECT_EQ(r.soundCount, 0);
        EXPECT_FALSE(r.painted);
    }
    EXPECT_EQ(gameState.screen, game::Title);
}

TEST(Shell, NewGameGoesThroughTheIntroIntoPlay) {
    bootGame();
    auto reports = run(2, KeyDown);
    EXPECT_EQ(gameState.cursor, 2);
    EXPECT_EQ(soundsOf(reports[0]), std::vector<std::string>{"WavF_01.wav"});
    reports = run(1, KeyX);
    EXPECT_EQ(gameState.screen, game::StageIntro);
    EXPECT_EQ(reports[0].timerMs, 50U);
    EXPECT_TRUE(gameState.running);
    reports = run(1);
    EXPECT_EQ(reports[0].sleptMs, 2000);
    EXPECT_EQ(gameState.screen, game::Play);
}

} // namespace
} // namespace kueruma
