#include "game/play_state.hpp"

#include "world/stages.hpp"

namespace kueruma::game {

void loadStage(PlayState& state, std::int32_t stageIndex) {
    if (stageIndex < 0 || stageIndex >= world::stageCount) return;
    const world::StageData& stage = world::stageData(stageIndex);
    for (std::size_t k = 0; k < stage.rows.size(); ++k) {
        const world::BlockRow& row = stage.rows[k];
        state.blockPool[k].set(row.x, row.y, row.width, row.height, row.angle);
    }
    state.gameState.goalX = stage.goalX;
    state.gameState.clearPoint = stage.clearPoint;
    state.preparedBlocks.refresh(state.blockPool);
}

int activeBlockCount(const PlayState& state) {
    return world::activeBlockCount(state.blockPool, state.gameState.blockCount);
}

} // namespace kueruma::game
