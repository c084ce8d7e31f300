// The 30 blocks of the current stage, and their prepared forms for the collision tests.
#pragma once

#include "world/geometry.hpp"

#include <array>
#include <cstdint>

namespace kueruma::world {

struct Block {
    // At process start every block is inactive with no break animation.
    bool active = false;
    std::int32_t breakTimer = 0;
    double x;
    double y;
    double width;
    double height;
    double angle;

    // Default geometry only: `active` and `breakTimer` keep what they hold.
    Block();
    void set(double x, double y, double width, double height, double angle);
    RotatedRect rect() const { return {x, y, width, height, angle}; }
};

// Every stage places exactly this many blocks; every pass over the blocks visits them all.
inline constexpr int poolSize = 30;
using BlockPool = std::array<Block, poolSize>;

// Blocks hardly ever change while they are tested against every tick: each one's prepared
// form, with the geometry it was worked out from.
struct PreparedBlocks {
    std::array<RotatedRect, poolSize> from{};
    std::array<PreparedRect, poolSize> rects{};
    std::array<bool, poolSize> valid{};

    // Works out again the blocks whose geometry changed since they were prepared.
    void refresh(const BlockPool& pool);
    const PreparedRect& operator[](int k) const { return rects[static_cast<std::size_t>(k)]; }
};

// How many of the first `count` blocks are still standing.
int activeBlockCount(const BlockPool& pool, int count);

} // namespace kueruma::world
