#include "app/menus.hpp"

#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "world/blocks.hpp"

namespace kueruma::app {

using game::gameState;

namespace {

constexpr unsigned keypadConfirmPauseMs = 200;

struct PassCode {
    int code;
    int stage;
};

// 0000 (the digits at start-up) opens the first stage; the result screen's messages carry
// the other codes.
constexpr PassCode passCodes[] = {
    {0, 0}, {318, 1}, {427, 2}, {2836, 3}, {6081, 4}, {3417, 5}, {7265, 6}, {5902, 7}, {9357, 8},
};

enum KeypadCell {
    BlankLeft = 0,
    Enter = 1,
    BlankRight = 2,
    Back = 12,
    Zero = 13,
    Forward = 14,
};

int codeValue() {
    const auto& d = gameState.passDigits;
    return d[0] * 1000 + d[1] * 100 + d[2] * 10 + d[3];
}

void advanceDigit() {
    if (gameState.cursor < 3) gameState.cursor += 1;
}

void moveOnKeypad(const game::InputState& in) {
    int& cell = gameState.keypadCell;
    if (in.left && cell % 3 > 0) cell -= 1;
    if (in.right && cell % 3 < 2) cell += 1;
    if (in.up && cell > 2) cell -= 3;
    if (in.down && cell < 12) cell += 3;
    // A move into the top row always lands on "Enter", and moves within it stay there.
    if (cell < 3 && (in.left || in.right || in.up || in.down)) cell = Enter;
}

bool anyInput(const game::InputState& in) {
    return in.left || in.up || in.right || in.down || in.x || in.z || in.spare6 || in.spare7;
}

} // namespace

int stageForCode(int code) {
    for (const PassCode& entry : passCodes) {
        if (entry.code == code) return entry.stage;
    }
    return -1;
}

void beginStage(platform::Window* window, std::int32_t stageIndex) {
    world::loadStage(stageIndex);
    gameState.screen = game::StageIntro;
    platform::setTimer(window, timerId, stagePeriodMs);
    gameState.running = true;
    figure::figure.reset();
    gameState.scrollX = 0.0;
    gameState.allCleared = false;
}

int titleMenuStep(platform::Window* window) {
    const game::InputState& in = gameState.input;
    int& cursor = gameState.cursor;
    if (cursor > 0 && in.up) {
        cursor -= 1;
        return 1;
    }
    if (cursor < 3 && in.down) {
        cursor += 1;
        return 1;
    }
    if (!in.x) return 0;
    switch (cursor) {
    case 0: // Admission
        gameState.screen = game::PassEntry;
        cursor = 0;
        platform::setTimer(window, timerId, passEntryPeriodMs);
        break;
    case 2: // NewGame
        gameState.stageIndex = 0;
        beginStage(window, 0);
        break;
    case 3: // Exit
        platform::postQuit(0);
        break;
    default: // Option does nothing but cue
        break;
    }
    return 1;
}

int resultMenuStep(platform::Window* window) {
    const game::InputState& in = gameState.input;
    int& cursor = gameState.cursor;
    if (cursor > 0 && in.up) {
        cursor -= 1;
        return 1;
    }
    if (cursor < 1 && in.down) {
        cursor += 1;
        return 1;
    }
    if (!in.x) return 0;
    if (cursor == 0) {
        beginStage(window, gameState.stageIndex);
    } else if (cursor == 1) {
        gameState.screen = game::PassEntry;
        cursor = 0;
        platform::setTimer(window, timerId, passEntryPeriodMs);
    }
    return 1;
}

int passEntryStep(platform::Window* window) {
    const game::InputState& in = gameState.input;
    moveOnKeypad(in);
    const int cell = gameState.keypadCell;
    if (in.x) {
        if (cell == Enter) {
            const int stage = stageForCode(codeValue());
            if (stage >= 0) {
                gameState.stageIndex = stage;
                gameState.keypadCell = 0;
                gameState.cursor = 0;
                beginStage(window, stage);
                return 1;
            }
        } else if (cell >= 3 && cell <= 11) {
            gameState.passDigits[static_cast<std::size_t>(gameState.cursor)] = cell - 2;
            advanceDigit();
        } else if (cell == Back) {
            if (gameState.cursor > 0) gameState.cursor -= 1;
        } else if (cell == Zero) {
            gameState.passDigits[static_cast<std::size_t>(gameState.cursor)] = 0;
            advanceDigit();
        } else if (cell == Forward) {
            advanceDigit();
        }
        // Every confirmation but a valid code holds the keypad still for a moment.
        platform::sleepMs(keypadConfirmPauseMs);
    }
    if (in.z) {
        platform::setTimer(window, timerId, titlePeriodMs);
        gameState.screen = game::Title;
        gameState.cursor = 0;
        gameState.keypadCell = 0;
    }
    return anyInput(in) ? 1 : 0;
}

} // namespace kueruma::app
