#include "app/shell.hpp"

#include "app/input.hpp"
#include "app/menus.hpp"
#include "game/game_tick.hpp"
#include "render/paint.hpp"
#include "seam/sounds.hpp"

namespace kueruma::app {

using game::PlayState;

namespace {

constexpr unsigned stageIntroPauseMs = 2000;
constexpr unsigned stageEndPauseMs = 1000;

void playTick(PlayState& state, platform::Window* window) {
    game::GameState& gs = state.gameState;
    sampleInput(gs);
    if (gs.running) {
        gs.scrollX += gs.scrollStep;
        game::gameTick(state);
        // The view overtaking the goal line ends the stage as a time-out.
        if (gs.scrollX > gs.goalX) {
            gs.running = false;
            state.figure.health = 0;
        }
        platform::invalidate(window);
        return;
    }
    platform::sleepMs(stageEndPauseMs);
    // Keys pressed during the pause count only in this discarded sample.
    sampleInput(gs);
    gs.cursor = 0;
    gs.keypadCell = 0;
    gs.screen = game::Result;
    platform::invalidate(window);
}

void menuTick(PlayState& state, platform::Window* window,
              int (*step)(PlayState&, platform::Window*)) {
    sampleInput(state.gameState);
    if (step(state, window) != 0) {
        platform::playSound(platform::soundFile(platform::Sound::Blip));
        platform::invalidate(window);
    }
}

void stageIntroTick(PlayState& state, platform::Window* window) {
    sampleInput(state.gameState);
    platform::invalidate(window);
    platform::sleepMs(stageIntroPauseMs);
    state.gameState.screen = game::Play;
}

} // namespace

void Shell::startUp() {
    game::GameState& gs = state_.gameState;
    for (int i = 0; i < gs.blockCount; ++i) {
        state_.blockPool[static_cast<std::size_t>(i)].active = true;
    }
    gs.passDigits.fill(0);
    state_.figure.reset();
    detectJoysticks(gs.joysticks.data(), static_cast<int>(gs.joysticks.size()));
}

void Shell::onCreate(platform::Window* window) {
    platform::setTimer(window, timerId, titlePeriodMs);
}

void Shell::onTimer(platform::Window* window) {
    switch (state_.gameState.screen) {
    case game::Play:
        playTick(state_, window);
        break;
    case game::Title:
        menuTick(state_, window, titleMenuStep);
        break;
    case game::PassEntry:
        menuTick(state_, window, passEntryStep);
        break;
    case game::StageIntro:
        stageIntroTick(state_, window);
        break;
    case game::Result:
        menuTick(state_, window, resultMenuStep);
        break;
    default: // an unknown screen does nothing at all
        break;
    }
}

void Shell::onPaint(platform::Window* /*window*/, platform::Canvas& canvas) {
    const render::PaintFrame frame = render::preparePaint(state_);
    render::paintScreen(state_, frame, canvas);
}

void Shell::onPaint(platform::Window* /*window*/) {
    const render::PaintFrame frame = render::preparePaint(state_);
    render::playPaintCues(state_, frame);
}

void Shell::onCommand(platform::Window* window, unsigned commandId) {
    if ((commandId & 0xFFFFU) == 0) platform::closeWindow(window);
}

void Shell::onClose(platform::Window* window) {
    platform::destroyWindow(window);
}

void Shell::onDestroy(platform::Window* /*window*/) {
    platform::postQuit(0);
}

} // namespace kueruma::app
