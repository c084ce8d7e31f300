// The 30 blocks of the current stage and the stage loader.
#pragma once

#include "world/geometry.hpp"

#include <array>
#include <cstdint>

namespace kueruma::world {

struct Block {
    bool active;
    std::int32_t breakTimer;
    double x;
    double y;
    double width;
    double height;
    double angle;

    // Default geometry only: `active` and `breakTimer` keep what static storage gave them.
    Block();
    void set(double x, double y, double width, double height, double angle);
    RotatedRect rect() const { return {x, y, width, height, angle}; }
};

inline constexpr int poolSize = 30;
using BlockPool = std::array<Block, poolSize>;

extern BlockPool blockPool;

// Loads stage 0..8 into the pool, goalX and clearPoint; any other index changes nothing.
void loadStage(std::int32_t stageIndex);

// How many of the blocks in use (the first blockCount) are still standing.
int activeBlockCount();

// Block k of the pool in prepared form, worked out again only when its geometry has changed.
const PreparedRect& preparedBlock(int k);

} // namespace kueruma::world
