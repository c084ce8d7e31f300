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

// Where a run starts: from start-up (stage -1), or in a stage begun as its pass code begins it
// with the figure's walk cycle at a count (each stage's walk continues the last one's cycle, so
// a run kept from a stage played after another names the count it started with).
struct RunStart {
    int stage = -1;
    std::int32_t walkCount = 0;
};

} // namespace kueruma::world
