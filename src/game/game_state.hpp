// The game's own record: the screen, the stage and its view, the menus' cursors, this tick's
// input and the flags that pass events from the rules to the shell and the paint.
#pragma once

#include "world/blocks.hpp"

#include <array>
#include <cstdint>

namespace kueruma::game {

enum Screen : std::int32_t {
    Play = 0,
    Title = 1,
    PassEntry = 2,
    StageIntro = 3,
    Result = 4,
};

// This tick's input, keyboard and joysticks combined; 1 = pressed.
struct InputState {
    std::uint8_t left;
    std::uint8_t up;
    std::uint8_t right;
    std::uint8_t down;
    std::uint8_t x;
    std::uint8_t z;
};

// One joystick found at start-up and its last successful reading.
struct JoystickSlot {
    std::int32_t deviceId;
    std::int32_t present;
    std::int32_t up;
    std::int32_t down;
    std::int32_t left;
    std::int32_t right;
    std::array<std::int32_t, 8> buttons;
};

struct GameState {
    std::int32_t blockCount = world::poolSize;
    std::int32_t screen = Title;
    double groundY = 400.0;
    double scrollStep = 5.0;
    InputState input{};
    double goalX = 0.0;
    std::array<JoystickSlot, 2> joysticks{};
    std::int32_t clearPoint = 0;
    std::array<std::int32_t, 4> passDigits{};
    bool running = false;
    bool allCleared = false;
    std::int32_t cursor = 0;
    std::int32_t keypadCell = 0;
    std::int32_t stageIndex = 0;
    double scrollX = 0.0;
    bool scoreFlash = false;
};

} // namespace kueruma::game
