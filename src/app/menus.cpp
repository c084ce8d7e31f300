#include "app/menus.hpp"

#include "game/game_tick.hpp"
#include "game/menu_layout.hpp"

namespace kueruma::app {

using game::GameState;
namespace keypad = game::keypad;

namespace {

constexpr unsigned keypadConfirmPauseMs = 200;
constexpr int lastDigit = keypad::digitCount - 1;

int codeValue(const GameState& gs) {
    const auto& d = gs.passDigits;
    return d[0] * 1000 + d[1] * 100 + d[2] * 10 + d[3];
}

void advanceDigit(GameState& gs) {
    if (gs.cursor < lastDigit) gs.cursor += 1;
}

void moveOnKeypad(GameState& gs) {
    const game::InputState& in = gs.input;
    int& cell = gs.keypadCell;
    const int lastColumn = keypad::columns - 1;
    if (in.left && cell % keypad::columns > 0) cell -= 1;
    if (in.right && cell % keypad::columns < lastColumn) cell += 1;
    if (in.up && cell >= keypad::columns) cell -= keypad::columns;
    if (in.down && cell < keypad::cellCount - keypad::columns) cell += keypad::columns;
    // A move into the top row always lands on "Enter", and moves within it stay there.
    if (cell < keypad::columns && (in.left || in.right || in.up || in.down)) cell = keypad::Enter;
}

bool anyInput(const game::InputState& in) {
    return in.left || in.up || in.right || in.down || in.x || in.z;
}

// The keypad's X on a cell other than "Enter".
void pressKey(GameState& gs, int cell) {
    auto& digits = gs.passDigits;
    if (keypad::isDigitOneToNine(cell)) {
        digits[static_cast<std::size_t>(gs.cursor)] = keypad::digitOf(cell);
        advanceDigit(gs);
    } else if (cell == keypad::Back) {
        if (gs.cursor > 0) gs.cursor -= 1;
    } else if (cell == keypad::Zero) {
        digits[static_cast<std::size_t>(gs.cursor)] = 0;
        advanceDigit(gs);
    } else if (cell == keypad::Forward) {
        advanceDigit(gs);
    }
}

} // namespace

int stageForCode(int code) {
    for (const game::PassCode& entry : game::passCodes) {
        if (entry.code == code) return entry.stage;
    }
    return -1;
}

void beginStage(game::PlayState& state, seam::Window* window, std::int32_t stageIndex) {
    game::resetStage(state, stageIndex);
    seam::setTimer(window, timerId, stagePeriodMs);
}

void beginStageByCode(game::PlayState& state, seam::Window* window, std::int32_t stageIndex) {
    GameState& gs = state.gameState;
    gs.stageIndex = stageIndex;
    gs.keypadCell = 0;
    gs.cursor = 0;
    beginStage(state, window, stageIndex);
}

void startRun(game::PlayState& state, seam::Window* window, const RunStart& start) {
    if (start.stage < 0) return;
    beginStageByCode(state, window, start.stage);
    state.figure.walkCounter = start.walkCount;
}

namespace {

// A menu's step: Up or Down moves the cursor within its `itemCount` items (Up first), else X
// confirms the item under it. Nonzero when the player should hear the cue.
template <class Confirm> int menuStep(GameState& gs, int itemCount, Confirm confirm) {
    const game::InputState& in = gs.input;
    if (gs.cursor > 0 && in.up) {
        gs.cursor -= 1;
        return 1;
    }
    if (gs.cursor < itemCount - 1 && in.down) {
        gs.cursor += 1;
        return 1;
    }
    if (!in.x) return 0;
    confirm(gs.cursor);
    return 1;
}

void openPassEntry(GameState& gs, seam::Window* window) {
    gs.screen = game::PassEntry;
    gs.cursor = 0;
    seam::setTimer(window, timerId, passEntryPeriodMs);
}

} // namespace

int titleMenuStep(game::PlayState& state, seam::Window* window) {
    GameState& gs = state.gameState;
    return menuStep(gs, game::title::itemCount, [&](int item) {
        switch (item) {
        case game::title::Admission:
            openPassEntry(gs, window);
            break;
        case game::title::NewGame:
            gs.stageIndex = 0;
            beginStage(state, window, 0);
            break;
        case game::title::Exit:
            seam::postQuit(0);
            break;
        default: // Option does nothing but cue
            break;
        }
    });
}

int resultMenuStep(game::PlayState& state, seam::Window* window) {
    GameState& gs = state.gameState;
    return menuStep(gs, game::result::itemCount, [&](int item) {
        if (item == game::result::Replay) {
            beginStage(state, window, gs.stageIndex);
        } else if (item == game::result::OtherStage) {
            openPassEntry(gs, window);
        }
    });
}

int passEntryStep(game::PlayState& state, seam::Window* window) {
    GameState& gs = state.gameState;
    const game::InputState& in = gs.input;
    moveOnKeypad(gs);
    const int cell = gs.keypadCell;
    if (in.x) {
        const int stage = cell == keypad::Enter ? stageForCode(codeValue(gs)) : -1;
        if (stage >= 0) {
            beginStageByCode(state, window, stage);
            return 1;
        }
        pressKey(gs, cell);
        // Every confirmation but a valid code holds the keypad still for a moment.
        seam::sleepMs(keypadConfirmPauseMs);
    }
    if (in.z) {
        seam::setTimer(window, timerId, titlePeriodMs);
        gs.screen = game::Title;
        gs.cursor = 0;
        gs.keypadCell = 0;
    }
    return anyInput(in) ? 1 : 0;
}

} // namespace kueruma::app
