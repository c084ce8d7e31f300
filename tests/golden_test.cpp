// Whole screens compared pixel for pixel with pictures kept under tests/golden/.
// After an intended change to the drawing, regenerate them with
//     KUERUMA_UPDATE_GOLDEN=1 ctest --preset default -R Golden
// and look at every changed picture before committing it.
#include "support/game_driver.hpp"

#include "backends/headless/paint_targets.hpp"
#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "host/driver/ghost.hpp"
#include "image/png_io.hpp"
#include "raster/framebuffer.hpp"
#include "world/blocks.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#ifndef KUERUMA_GOLDEN_DIR
#error "KUERUMA_GOLDEN_DIR must name the folder of the golden pictures"
#endif

namespace kueruma {
namespace {

using support::figure;
using support::gameState;

headless::RasterPaintTarget target;

// Paints the current state and checks it against (or, when asked, rewrites) golden/NAME.png.
void expectGolden(const std::string& name) {
    headless::paintNow();
    const std::string path = std::string(KUERUMA_GOLDEN_DIR) + "/" + name + ".png";
    std::string error;
    if (std::getenv("KUERUMA_UPDATE_GOLDEN") != nullptr) {
        ASSERT_TRUE(image::writeGreyPng(target.picture(), path, error)) << error;
        return;
    }
    raster::Framebuffer golden(1, 1);
    ASSERT_TRUE(image::readGreyPng(path, golden, error)) << error;
    const raster::Framebuffer& actual = target.picture();
    ASSERT_EQ(golden.width(), actual.width());
    ASSERT_EQ(golden.height(), actual.height());
    int differing = 0;
    int firstX = -1;
    int firstY = -1;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (actual.at(x, y) == golden.at(x, y)) continue;
            if (differing++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    EXPECT_EQ(differing, 0) << name << ": first difference at (" << firstX << ", " << firstY
                            << "); regenerate with KUERUMA_UPDATE_GOLDEN=1 if intended";
}

void boot(int stage = -1) {
    headless::boot(&target, stage);
}

void run(int count, loop::KeySet keys = 0) {
    headless::holdKeys(keys);
    for (int i = 0; i < count; ++i) headless::tick();
}

TEST(Golden, TitleWithEachCursorRow) {
    boot();
    for (int row = 0; row < 4; ++row) {
        gameState.cursor = row;
        expectGolden("title-" + std::to_string(row));
    }
}

TEST(Golden, KeypadAsItOpensAndOnEnter) {
    boot();
    run(1, loop::KeyX);
    expectGolden("keypad-open");
    run(1, loop::KeyRight);
    expectGolden("keypad-enter");
}

TEST(Golden, StageIntroOfTheFirstStage) {
    boot(0);
    expectGolden("intro-0");
}

TEST(Golden, ResultsBelowAtAndAfterTheLastStage) {
    boot(0);
    gameState.screen = game::Result;
    figure.score = 299;
    expectGolden("result-0-299");
    figure.score = 300;
    expectGolden("result-0-300");
    boot(8);
    gameState.screen = game::Result;
    figure.score = 5500;
    expectGolden("result-8");
}

// On the standing figure: the hit flash, then with no block left the clear animation.
void expectFlashAndClear(const std::string& suffix) {
    gameState.scoreFlash = true;
    expectGolden("play-hit-flash" + suffix);
    for (world::Block& b : support::blockPool) b.active = false;
    gameState.scoreFlash = true;
    gameState.allCleared = true;
    expectGolden("play-clear" + suffix);
}

TEST(Golden, PlayStandingHitFlashAndClearAnimation) {
    boot(0);
    run(25); // the intro, then the fall to the floor
    expectGolden("play-standing");
    expectFlashAndClear("");
}

// The same flash and clear animation as the setting reduced_flashing draws them; the run is the
// same run (the flash state is taken and the bonus added as before).
TEST(Golden, HitFlashAndClearAnimationReduced) {
    headless::setPaintOptions({.reducedFlashing = true});
    boot(0);
    run(25);
    expectFlashAndClear("-reduced");
    EXPECT_EQ(figure.score, 599);
    headless::setPaintOptions({});
}

// The first stage's replay as the ghost of a player who stands still: its figure runs ahead,
// faint, behind the player's.
TEST(Golden, PlayWithTheFirstStagesReplayAsAGhost) {
    driver::ghost::followRun(std::string(KUERUMA_REPLAY_DIR) + "/stage-0.txt");
    boot(0);
    run(12);
    expectGolden("play-ghost");
    driver::ghost::stop();
}

} // namespace
} // namespace kueruma
