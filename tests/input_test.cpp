// Input sampling: async key semantics, joystick detection, axis thresholds and buttons.
#include "support/game_driver.hpp"

#include "app/input.hpp"
#include "game/game_state.hpp"
#include "seam/machine.hpp"

#include <gtest/gtest.h>

namespace kueruma {
namespace {

using support::bootGame;
using support::gameState;
using support::run;

class Input : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::setJoystickDeviceCount(0);
        for (unsigned i = 0; i < headless::maxJoysticks; ++i) headless::joystick(i) = {};
    }
    void TearDown() override { SetUp(); }

    static void plug(unsigned id, std::uint32_t x = 0x7FFF, std::uint32_t y = 0x7FFF,
                     std::uint32_t buttons = 0) {
        headless::joystick(id) = {true, x, y, buttons};
    }
};

TEST_F(Input, ATapBetweenTwoTicksCountsOnceInTheNextSample) {
    bootGame();
    headless::tapKey(seam::keyDown);
    run(1);
    EXPECT_EQ(gameState.cursor, 1);
    run(1);
    EXPECT_EQ(gameState.cursor, 1);
}

TEST_F(Input, LeftAndRightTogetherSetBothFlags) {
    bootGame();
    run(1, loop::KeyLeft | loop::KeyRight);
    EXPECT_EQ(gameState.input.left, 1);
    EXPECT_EQ(gameState.input.right, 1);
}

TEST_F(Input, DetectionFillsSlotsInDeviceOrderSkippingUnplugged) {
    headless::setJoystickDeviceCount(4);
    plug(1);
    plug(3);
    bootGame();
    EXPECT_EQ(gameState.joysticks[0].deviceId, 1);
    EXPECT_EQ(gameState.joysticks[0].present, 1);
    EXPECT_EQ(gameState.joysticks[1].deviceId, 3);
    EXPECT_EQ(gameState.joysticks[1].present, 1);
}

TEST_F(Input, WithoutADriverBothSlotsStayEmpty) {
    plug(0); // plugged, but the driver supports no joystick numbers
    bootGame();
    EXPECT_EQ(gameState.joysticks[0].deviceId, -1);
    EXPECT_EQ(gameState.joysticks[0].present, 0);
    EXPECT_EQ(gameState.joysticks[1].deviceId, -1);
}

TEST_F(Input, AThirdJoystickIsIgnored) {
    headless::setJoystickDeviceCount(3);
    plug(0);
    plug(1);
    plug(2, 0x7FFF, 0x7FFF, 1);
    bootGame();
    run(1);
    EXPECT_EQ(gameState.input.x, 0);
}

TEST_F(Input, AxisThresholdsSplitAtQuarterAndThreeQuarters) {
    headless::setJoystickDeviceCount(1);
    plug(0);
    bootGame();
    struct Case {
        std::uint32_t x, y;
        std::uint8_t left, right, up, down;
    };
    const Case cases[] = {
        {0x4000, 0xBFFF, 0, 0, 0, 0}, // centred at both edges of the dead zone
        {0x3FFF, 0xC000, 1, 0, 0, 1},
        {0xC000, 0x3FFF, 0, 1, 1, 0},
        {0x0000, 0xFFFF, 1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        headless::joystick(0).x = c.x;
        headless::joystick(0).y = c.y;
        app::sampleInput(gameState);
        EXPECT_EQ(gameState.input.left, c.left) << std::hex << c.x;
        EXPECT_EQ(gameState.input.right, c.right) << std::hex << c.x;
        EXPECT_EQ(gameState.input.up, c.up) << std::hex << c.y;
        EXPECT_EQ(gameState.input.down, c.down) << std::hex << c.y;
    }
}

TEST_F(Input, ButtonsOneAndTwoActAsXAndZAndTheRestAreOnlyRecorded) {
    headless::setJoystickDeviceCount(2);
    plug(0, 0x7FFF, 0x7FFF, 0b1111'1100);
    plug(1, 0x7FFF, 0x7FFF, 0b10);
    bootGame();
    app::sampleInput(gameState);
    EXPECT_EQ(gameState.input.x, 0);
    EXPECT_EQ(gameState.input.z, 1); // from the second joystick
    EXPECT_EQ(gameState.joysticks[0].buttons[7], 1);
}

TEST_F(Input, AJoystickDrivesTheTitleMenu) {
    headless::setJoystickDeviceCount(1);
    plug(0, 0x7FFF, 0xFFFF);
    bootGame();
    run(2);
    EXPECT_EQ(gameState.cursor, 2);
    headless::joystick(0) = {true, 0x7FFF, 0x7FFF, 1};
    run(1);
    EXPECT_EQ(gameState.screen, game::StageIntro);
}

TEST_F(Input, UnpluggingAJoystickWhileHeldReleasesItsDirectionsAndButtons) {
    headless::setJoystickDeviceCount(1);
    plug(0, 0x0000, 0x0000, 0b11);
    bootGame();
    app::sampleInput(gameState);
    EXPECT_EQ(gameState.input.left, 1);
    EXPECT_EQ(gameState.input.x, 1);
    headless::joystick(0).plugged = false;
    app::sampleInput(gameState);
    const auto& slot = gameState.joysticks[0];
    EXPECT_EQ(gameState.input.left + gameState.input.up + gameState.input.x + gameState.input.z, 0);
    EXPECT_EQ(slot.left + slot.up + slot.right + slot.down, 0);
    for (int b : slot.buttons) EXPECT_EQ(b, 0);
    // The slot keeps its device, so plugging it back in works again.
    EXPECT_EQ(slot.present, 1);
    headless::joystick(0).plugged = true;
    app::sampleInput(gameState);
    EXPECT_EQ(gameState.input.left, 1);
}

TEST_F(Input, F11IsNotSampledIntoTheFlags) {
    bootGame();
    run(1, loop::KeyF11);
    const auto& in = gameState.input;
    EXPECT_EQ(in.left + in.up + in.right + in.down + in.x + in.z, 0);
}

} // namespace
} // namespace kueruma
