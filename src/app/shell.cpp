#include "app/shell.hpp"

#include "app/input.hpp"
#include "app/menus.hpp"
#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "game/game_tick.hpp"
#include "render/paint.hpp"
#include "world/blocks.hpp"

namespace kueruma::app {

using game::gameState;

namespace {

constexpr unsigned stageIntroPauseMs = 2000;
constexpr unsigned stageEndPauseMs = 1000;

void playTick(platform::Window* window) {
    sampleInput();
    if (gameState.running) {
        gameState.scrollX += gameState.scrollStep;
        game::gameTick();
        // The view overtaking the goal line ends the stage as a time-out.
        if (gameState.scrollX > gameState.goalX) {
            gameState.running = false;
            figure::figure.health = 0;
        }
        platform::invalidate(window);
        return;
    }
    platform::sleepMs(stageEndPauseMs);
    // Keys pressed during the pause count only in this discarded sample.
    sampleInput();
    gameState.cursor = 0;
    gameState.keypadCell = 0;
    gameState.screen = game::Result;
    platform::invalidate(window);
}

void menuTick(platform::Window* window, int (*step)(platform::Window*)) {
    sampleInput();
    if (step(window) != 0) {
        platform::playSound(menuCue);
        platform::invalidate(window);
    }
}

void stageIntroTick(platform::Window* window) {
    sampleInput();
    platform::invalidate(window);
    platform::sleepMs(stageIntroPauseMs);
    gameState.screen = game::Play;
}

} // namespace

void resetToProcessStart() {
    gameState = game::GameState{};
    figure::Figure& f = figure::figure;
    f.walkCounter = 0;
    f.jointX.fill(0.0);
    f.jointY.fill(0.0);
    f.reset();
    for (world::Block& block : world::blockPool) {
        block.active = false;
        block.breakTimer = 0;
        const world::Block fresh;
        block.x = fresh.x;
        block.y = fresh.y;
        block.width = fresh.width;
        block.height = fresh.height;
        block.angle = fresh.angle;
    }
}

void startUp() {
    for (int i = 0; i < gameState.blockCount; ++i) {
        world::blockPool[static_cast<std::size_t>(i)].active = true;
    }
    gameState.passDigits.fill(0);
    figure::figure.reset();
    detectJoysticks(gameState.joysticks.data(), static_cast<int>(gameState.joysticks.size()));
}

void onCreate(platform::Window* window) {
    platform::setTimer(window, timerId, titlePeriodMs);
}

void onTimer(platform::Window* window) {
    switch (gameState.screen) {
    case game::Play:
        playTick(window);
        break;
    case game::Title:
        menuTick(window, titleMenuStep);
        break;
    case game::PassEntry:
        menuTick(window, passEntryStep);
        break;
    case game::StageIntro:
        stageIntroTick(window);
        break;
    case game::Result:
        menuTick(window, resultMenuStep);
        break;
    default: // an unknown screen does nothing at all
        break;
    }
}

void onPaint(platform::Window* window, platform::Canvas& canvas) {
    render::paintScreen(window, canvas);
}

void onCommand(platform::Window* window, unsigned commandId) {
    if ((commandId & 0xFFFFU) == 0) platform::closeWindow(window);
}

void onClose(platform::Window* window) {
    platform::destroyWindow(window);
}

void onDestroy(platform::Window* /*window*/) {
    platform::postQuit(0);
}

} // namespace kueruma::app
