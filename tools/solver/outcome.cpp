#include "outcome.hpp"

#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "world/blocks.hpp"

namespace kueruma::solver {

Outcome currentOutcome(std::int64_t ticks) {
    const figure::Figure& f = figure::figure;
    Outcome out;
    out.screen = game::gameState.screen;
    out.score = f.score;
    out.health = f.health;
    out.bestCombo = f.bestCombo;
    out.activeBlocks = world::activeBlockCount();
    out.ticks = ticks;
    return out;
}

} // namespace kueruma::solver
