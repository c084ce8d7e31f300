// What the paints draw, checked through a canvas that records every call.
#include "support/game_driver.hpp"
#include "support/recording_canvas.hpp"

#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "game/menu_layout.hpp"
#include "render/paint.hpp"
#include "render/text.hpp"
#include "world/blocks.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace kueruma {
namespace {

using support::CanvasCall;
using support::figure;
using support::gameState;
using support::RecordingCanvas;

RecordingCanvas paint(seam::ClientRect client = {0, 0, 632, 433}) {
    RecordingCanvas canvas(client);
    headless::shell().onPaint(headless::mainWindow(), canvas);
    return canvas;
}

bool hasText(const RecordingCanvas& canvas, std::string_view text, int x, int y, int grey) {
    for (const CanvasCall& t : canvas.texts()) {
        if (t.text == text && t.a == x && t.b == y && t.c == grey) return true;
    }
    return false;
}

bool hasSegment(const std::vector<CanvasCall>& segments, int x0, int y0, int x1, int y1) {
    return std::any_of(segments.begin(), segments.end(), [&](const CanvasCall& s) {
        return s.a == x0 && s.b == y0 && s.c == x1 && s.d == y1;
    });
}

class Render : public ::testing::Test {
  protected:
    void SetUp() override { support::startStageAndSkipIntro(0); }
};

TEST(Screens, TitleHighlightsTheCursorRowAndTurnsTheCursorLineThere) {
    support::bootGame();
    gameState.cursor = 2;
    const RecordingCanvas c = paint();
    const int R = 632, B = 433;
    EXPECT_TRUE(hasText(c, "NewGame", R / 2 - 40, 2 * B / 3 + 60 - 10, 255));
    EXPECT_TRUE(hasText(c, "Exit", R / 2 - 40, 2 * B / 3 + 90 - 10, 127));
    EXPECT_TRUE(hasText(c, render::titleText, R / 2 - 100, B / 3 - 10, 255));
    const auto lines = c.segments(1, 127);
    EXPECT_TRUE(hasSegment(lines, R / 2 - 60, 2 * B / 3 + 60, R, 2 * B / 3 + 60));
    EXPECT_TRUE(hasSegment(lines, 0, B / 3, R / 2 - 20, B / 3));
    EXPECT_EQ(c.livePens(), 0);
}

TEST(Screens, TheKeypadOpensWithNoCellLitAndEnterLightsWhenChosen) {
    support::bootGame();
    gameState.screen = game::PassEntry;
    const int R = 632, B = 433;
    RecordingCanvas c = paint();
    for (const CanvasCall& t : c.texts()) {
        if (t.b >= 2 * B / 3 - 8) {
            EXPECT_EQ(t.c, 127) << t.text;
        }
    }
    EXPECT_TRUE(hasSegment(c.segments(1, 127), R / 2 - 20, 2 * B / 3, R, 2 * B / 3));
    gameState.keypadCell = 1;
    c = paint();
    EXPECT_TRUE(hasText(c, "Enter", R / 2 - 24, 2 * B / 3 - 8, 255));
    EXPECT_TRUE(hasSegment(c.segments(1, 127), R / 2, 0, R / 2, 2 * B / 3));
    EXPECT_TRUE(hasText(c, "5", R / 2 + 20 - 25, 2 * B / 3 + 60 - 8, 127));
}

TEST(Screens, ResultShowsThePassMessageOnlyWhenTheTargetIsReached) {
    support::bootGame();
    gameState.screen = game::Result;
    gameState.clearPoint = 300;
    figure.score = 299;
    const int R = 632, B = 433;
    RecordingCanvas c = paint();
    EXPECT_TRUE(hasText(c, "Point   299", R / 2 - 50, B / 3 - 10, 255));
    EXPECT_TRUE(hasText(c, "ClearPoint   300", R / 2 - 50, B / 3 + 20, 255));
    EXPECT_EQ(c.texts().size(), 5U);
    figure.score = 300;
    c = paint();
    EXPECT_TRUE(hasText(c, "Stage2 Pass 0318", R / 2 - 50, B / 3 + 50, 255));
    gameState.stageIndex = 8;
    c = paint();
    EXPECT_TRUE(hasText(c, game::closingRemark, R / 2 - 50, B / 3 + 50, 255));
    EXPECT_TRUE(hasText(c, "Stage  9", R / 2 - 50, B / 6 - 10, 255));
}

TEST(Screens, TheIntroShowsTheStageNumberRightAligned) {
    support::bootGame(0);
    const RecordingCanvas c = paint();
    EXPECT_TRUE(hasText(c, "Stage  1", 632 / 2 - 100, 433 / 3 - 10, 255));
    EXPECT_TRUE(hasText(c, "ClearPoint   300", 632 / 2 - 100, 433 / 3 + 20, 255));
}

TEST_F(Render, APaintTruncatesWorldMinusScrollTowardZero) {
    gameState.scrollX = 1000.7;
    figure.posX = 1100.2 - 24; // joint 0 at x 1100.2 when upright
    const RecordingCanvas c = paint();
    const auto head = std::find_if(c.calls.begin(), c.calls.end(), [](const CanvasCall& k) {
        return k.kind == CanvasCall::Ellipse;
    });
    ASSERT_NE(head, c.calls.end());
    // Joint 0 at 1100.2 - 1000.7 = 99.5 and the radius added before the scroll is taken off.
    EXPECT_EQ(head->a, static_cast<int>(1100.2 - 24 - 1000.7));
    EXPECT_EQ(head->c, static_cast<int>(1100.2 + 24 - 1000.7));
    EXPECT_EQ(static_cast<int>(figure.jointX[0] - gameState.scrollX), 99);
}

TEST_F(Render, AFigureFarBeyondTheIntRangeIsDrawnAtItsEdge) {
    figure.posY = -1e12; // flown off the top, far beyond any pixel
    figure.posX = 3e10;
    const RecordingCanvas c = paint();
    const auto head = std::find_if(c.calls.begin(), c.calls.end(), [](const CanvasCall& k) {
        return k.kind == CanvasCall::Ellipse;
    });
    ASSERT_NE(head, c.calls.end());
    EXPECT_EQ(head->a, 2147483647);
    EXPECT_EQ(head->b, -2147483647 - 1);
}

TEST_F(Render, APlayPaintDrawsAllThirtyBlocksInWhiteOrLightGrey) {
    const RecordingCanvas c = paint();
    int blockPens = 0;
    int darkPens = 0;
    for (const CanvasCall& k : c.calls) {
        if (k.kind != CanvasCall::CreatePen) continue;
        if (k.a == 1 && (k.b == 255 || k.b == 191)) ++blockPens;
        if (k.a == 2 && k.b == 63) ++darkPens;
    }
    // Floor-and-figure pen, thirty blocks, the end line and the score gauge.
    EXPECT_EQ(blockPens, 33);
    EXPECT_EQ(darkPens, 1); // only the health gauge's background
}

TEST_F(Render, ABrokenBlockShowsDarkThenSoundsOnTheTenthPaintThenDebris) {
    support::blockPool[0].active = false;
    for (int paintNumber = 1; paintNumber <= 50; ++paintNumber) {
        headless::paintNow();
        const auto sounds = support::soundsOf(headless::lastReport());
        const int n = support::blockPool[0].breakTimer;
        EXPECT_EQ(n, 50 - paintNumber);
        EXPECT_EQ(sounds.size(), paintNumber == 10 ? 1U : 0U) << paintNumber;
    }
    headless::paintNow();
    EXPECT_EQ(support::blockPool[0].breakTimer, 0);
}

TEST_F(Render, AfterTheLastBlockEveryBreakSoundIsFollowedByTheClearSound) {
    gameState.allCleared = true;
    support::blockPool[0].active = false;
    support::blockPool[0].breakTimer = 41;
    headless::paintNow();
    const auto& r = headless::lastReport();
    EXPECT_EQ(support::soundsOf(r), (std::vector<std::string>{"WavF_02.wav", "WavF_04.wav"}));
    EXPECT_EQ(r.sleptMs, 60);
}

TEST_F(Render, TheHitFlashGridStartsFitAClientOfHeight433) {
    gameState.scoreFlash = true;
    const RecordingCanvas c = paint();
    std::vector<int> mainStarts;
    std::vector<int> offsetStarts;
    for (const CanvasCall& s : c.segments(2, 126)) {
        if (s.a == 0) mainStarts.push_back(s.b);
    }
    for (const CanvasCall& s : c.segments(1, 82)) {
        if (s.a == 0) offsetStarts.push_back(s.b);
    }
    // The top and bottom families also start at x 0, at y 0 and 433.
    EXPECT_EQ(mainStarts, (std::vector<int>{0, 90, 180, 270, 360, 0, 433}));
    EXPECT_EQ(offsetStarts, (std::vector<int>{45, 135, 225, 315, 405}));
    EXPECT_FALSE(gameState.scoreFlash);
}

TEST_F(Render, BreakingOneOfSeveralBlocksFlashesAndPausesWithoutTheBonus) {
    gameState.scoreFlash = true;
    headless::paintNow();
    const auto& r = headless::lastReport();
    EXPECT_EQ(r.sleptMs, 60);
    EXPECT_EQ(r.soundCount, 0);
    EXPECT_EQ(figure.score, 0);
}

TEST_F(Render, BreakingTheLastBlockPlaysTheClearAnimationAndAdds599) {
    for (world::Block& b : support::blockPool) {
        b.active = false;
        b.breakTimer = 0;
    }
    gameState.scoreFlash = true;
    figure.score = 40;
    RecordingCanvas c = paint();
    EXPECT_EQ(figure.score, 639);
    // The 25 frames run from dark grey to white, one 2-pixel pen each.
    std::vector<int> wideGreys;
    for (const CanvasCall& k : c.calls) {
        if (k.kind == CanvasCall::CreatePen && k.a == 2) wideGreys.push_back(k.b);
    }
    std::vector<int> frames;
    for (int i = 0; i < 25; ++i) frames.push_back(63 + 8 * i);
    EXPECT_NE(std::search(wideGreys.begin(), wideGreys.end(), frames.begin(), frames.end()),
              wideGreys.end());
    gameState.scoreFlash = true;
    headless::paintNow();
    const auto& r = headless::lastReport();
    EXPECT_EQ(support::soundsOf(r), std::vector<std::string>{"WavF_03.wav"});
    EXPECT_EQ(r.sleptMs, 25 * 10 + 400);
}

TEST_F(Render, AThousandPointsGiveFiftyOneStrokesAndTheTextAt440) {
    figure.score = 1000;
    const RecordingCanvas c = paint();
    const auto strokes = c.segments(1, 255);
    int scoreStrokes = 0;
    for (const CanvasCall& s : strokes) {
        if (s.b == 10 && s.d == 30 && s.a == s.c) ++scoreStrokes;
    }
    EXPECT_EQ(scoreStrokes, 51);
    EXPECT_TRUE(hasText(c, "1000", 440, 10, 255));
}

TEST_F(Render, ANegativeScorePrintsItsSignRightOfTheUsualPlace) {
    figure.score = -35;
    const RecordingCanvas c = paint();
    EXPECT_TRUE(hasText(c, " -35", 2 * (270 - (-35 / 20)), 10, 255));
    EXPECT_GT(2 * (270 - (-35 / 20)), 540);
}

TEST_F(Render, HugeAndNegativeNumbersFormatWithoutOverflow) {
    const render::NumberText smallest("ClearPoint %5d", -2147483647 - 1);
    EXPECT_EQ(smallest.view(), "ClearPoint -2147483648");
    const render::NumberText nineDigits("%4d", 123456789);
    EXPECT_EQ(nineDigits.view(), "123456789");
}

TEST_F(Render, TheTetherShowsOnlyAfterAGoal) {
    gameState.running = false;
    figure.health = 0; // F11, time-out or spent health
    EXPECT_TRUE(paint().segments(2, 127).empty());
    figure.health = 40;
    const RecordingCanvas c = paint();
    EXPECT_EQ(c.segments(2, 127).size(), 8U); // y + 30 for y = 0, 60 ... 420
    EXPECT_TRUE(hasText(c, render::titleText, 380, 320, 255));
}

TEST_F(Render, EveryPaintDeletesEveryPenItCreates) {
    gameState.scoreFlash = true;
    for (world::Block& b : support::blockPool) b.active = false;
    for (int i = 0; i < 3; ++i) {
        const RecordingCanvas c = paint();
        EXPECT_GT(c.pensCreated(), 0);
        EXPECT_EQ(c.livePens(), 0);
    }
    for (int screen = 1; screen <= 4; ++screen) {
        gameState.screen = screen;
        EXPECT_EQ(paint().livePens(), 0) << screen;
    }
}

} // namespace
} // namespace kueruma
