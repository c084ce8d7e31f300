// The nine built-in stages as constant data.
#pragma once

#include "world/blocks.hpp"

#include <array>
#include <cstdint>

namespace kueruma::world {

inline constexpr int stageCount = 9;

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
    std::array<BlockRow, poolSize> rows;
};

const StageData& stageData(int stageIndex);

} // namespace kueruma::world
