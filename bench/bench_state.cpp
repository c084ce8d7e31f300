#include "bench_state.hpp"

#include "game/game_tick.hpp"

#include <algorithm>
#include <cstddef>

namespace kueruma::bench {

namespace {

constexpr int busyStage = 8;

void breakBlocksFrom(int first) {
    game::PlayState& state = headless::state();
    for (int i = first; i < world::poolSize; ++i) {
        world::Block& block = state.blockPool[static_cast<std::size_t>(i)];
        block.active = false;
        // The paint counts the timer down before drawing: 41 draws the first debris frame.
        block.breakTimer = 41 - (i % 40);
    }
    state.gameState.allCleared = true;
    state.gameState.scoreFlash = true;
}

} // namespace

loop::KeySet playerKeys(std::int64_t tick) {
    loop::KeySet keys = loop::KeyRight;
    if (tick % 24 < 10) keys |= loop::KeyX;
    if (tick % 16 == 0) keys |= loop::KeyZ;
    return keys;
}

void enterBusyPlay(headless::PaintTarget& target) {
    headless::boot(&target, busyStage);
    headless::holdKeys(loop::KeyRight | loop::KeyZ);
    headless::tick(); // the stage intro
    game::PlayState& state = headless::state();
    game::GameState& gameState = state.gameState;
    figure::Figure& figure = state.figure;
    // In the air inside the first stack of blocks (x 805..935, y 110..350).
    figure.posX = 840.0;
    figure.posY = 150.0;
    figure.velX = 6.0;
    figure.velY = -3.0;
    gameState.scrollX = 500.0;
    game::gameTick(state); // settles the body box and the joints at the new place
    for (world::Block& block : state.blockPool) {
        block.active = true;
        block.breakTimer = 0;
    }
    gameState.allCleared = false;
    gameState.scoreFlash = false;
    gameState.running = true;
    gameState.input = {};
    gameState.input.right = 1;
    gameState.input.z = 1;
}

void addHitFlashOverDebris() {
    breakBlocksFrom(1);
}

void addClearAnimation() {
    breakBlocksFrom(0);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace kueruma::bench
