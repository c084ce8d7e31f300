// The three global records. They are defined together so that static construction builds the
// figure before the blocks, as the program always has.
#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "world/blocks.hpp"

namespace kueruma {

game::GameState game::gameState;
figure::Figure figure::figure;
world::BlockPool world::blockPool;

} // namespace kueruma
