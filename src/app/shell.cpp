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

void playTick(PlayState& state, seam::Window* window) {
    game::GameState& gs = state.gameState;
    sampleInput(gs);
    if (gs.running) {
        game::playerStageTick(state);
        seam::invalidate(window);
        return;
    }
    seam::sleepMs(stageEndPauseMs);
    // Keys pressed during the pause count only in this discarded sample.
    sampleInput(gs);
    gs.cursor = 0;
    gs.keypadCell = 0;
    gs.screen = game::Result;
    seam::invalidate(window);
}

void menuTick(PlayState& state, seam::Window* window, int (*step)(PlayState&, seam::Window*)) {
    sampleInput(state.gameState);
    if (step(state, window) != 0) {
        seam::playSound(seam::soundFile(seam::Sound::Blip));
        seam::invalidate(window);
    }
}

void stageIntroTick(PlayState& state, seam::Window* window) {
    sampleInput(state.gameState);
    seam::invalidate(window);
    seam::sleepMs(stageIntroPauseMs);
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

void Shell::onCreate(seam::Window* window) {
    seam::setTimer(window, timerId, titlePeriodMs);
}

void Shell::onTimer(seam::Window* window) {
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

void Shell::onPaint(seam::Window* /*window*/, seam::Canvas& canvas,
                    const render::PaintOptions& options) {
    const render::PaintFrame frame = render::preparePaint(state_);
    render::paintScreen(state_, frame, canvas, options);
}

void Shell::onPaint(seam::Window* /*window*/) {
    const render::PaintFrame frame = render::preparePaint(state_);
    render::playPaintCues(state_, frame);
}

void Shell::onCommand(seam::Window* window, unsigned commandId) {
    if ((commandId & 0xFFFFU) == 0) seam::closeWindow(window);
}

void Shell::onClose(seam::Window* window) {
    seam::destroyWindow(window);
}

void Shell::onDestroy(seam::Window* /*window*/) {
    seam::postQuit(0);
}

} // namespace kueruma::app
