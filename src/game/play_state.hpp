// The whole play state as one value: the game's record, the figure and the blocks, with what
// is derived from them. The shell owns one; everything else is handed it.
#pragma once

#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "world/blocks.hpp"

#include <cstdint>

namespace kueruma::game {

struct PlayState {
    GameState gameState;
    figure::Figure figure;
    world::BlockPool blockPool;
    // The blocks' prepared forms; refreshed by whoever is about to test against them.
    world::PreparedBlocks preparedBlocks;
};

// Loads stage 0..8 into the block pool, `goalX` and `clearPoint`; any other index changes
// nothing.
void loadStage(PlayState& state, std::int32_t stageIndex);

// How many of the blocks in use are still standing.
int activeBlockCount(const PlayState& state);

} // namespace kueruma::game
