// The nine built-in stages as constant data.
#pragma once

#include <array>
#include <cstdint>

namespace kueruma::world {

inline constexpr int stageCount = 9;
inline constexpr int blocksPerStage = 30;

struct BlockRow {
    double x;
    double y;
    double width;
    double height;
    double angle;
};

struct StageData {
    double goalX;
    std::int32_t clearPoint;
    std::array<BlockRow, blocksPerStage> rows;
};

const StageData& stageData(int stageIndex);

} // namespace kueruma::world
