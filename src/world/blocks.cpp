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

namespace {

// Blocks hardly ever change while they are tested against every tick: keep each one's prepared
// form with the geometry it came from.
struct PreparedBlock {
    RotatedRect from;
    PreparedRect rect;
    bool valid;
};
std::array<PreparedBlock, poolSize> prepared{};

bool sameGeometry(const RotatedRect& a, const RotatedRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
           a.angle == b.angle;
}

} // namespace

const PreparedRect& preparedBlock(int k) {
    PreparedBlock& entry = prepared[static_cast<std::size_t>(k)];
    const RotatedRect now = blockPool[static_cast<std::size_t>(k)].rect();
    if (!entry.valid || !sameGeometry(entry.from, now)) {
        entry.from = now;
        entry.rect = prepareRect(now);
        entry.valid = true;
    }
    return entry.rect;
}

int activeBlockCount() {
    int count = 0;
    for (int k = 0; k < game::gameState.blockCount; ++k) {
        if (blockPool[static_cast<std::size_t>(k)].active) ++count;
    }
    return count;
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
