#include "outcome.hpp"

#include "backends/headless/headless.hpp"

namespace kueruma::solver {

Outcome currentOutcome(std::int64_t ticks) {
    const game::PlayState& state = headless::state();
    const figure::Figure& f = state.figure;
    Outcome out;
    out.screen = state.gameState.screen;
    out.score = f.score;
    out.health = f.health;
    out.bestCombo = f.bestCombo;
    out.activeBlocks = game::activeBlockCount(state);
    out.ticks = ticks;
    return out;
}

} // namespace kueruma::solver
