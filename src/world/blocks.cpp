#include "world/blocks.hpp"

#include "game/game_state.hpp"
#include "world/stages.hpp"

namespace kueruma::world {

Block::Block() : x(200.0), y(70.0), width(90.0), height(100.0), angle(3.141592653589793 * 1.0e-4) {}

void Block::set(double newX, double newY, double newWidth, double newHeight, double newAngle) {
    x = newX;
    y = newY;
    width = newWidth;
    height = newHeight;
    angle = newAngle;
    active = true;
    breakTimer = 50;
}

void loadStage(std::int32_t stageIndex) {
    if (stageIndex < 0 || stageIndex >= stageCount) return;
    const StageData& stage = stageData(stageIndex);
    for (int k = 0; k < blocksPerStage; ++k) {
        const BlockRow& row = stage.rows[static_cast<std::size_t>(k)];
        blockPool[static_cast<std::size_t>(k)].set(row.x, row.y, row.width, row.height, row.angle);
    }
    game::gameState.goalX = stage.goalX;
    game::gameState.clearPoint = stage.clearPoint;
}

} // namespace kueruma::world
