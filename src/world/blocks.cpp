#include "world/blocks.hpp"

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

bool sameGeometry(const RotatedRect& a, const RotatedRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
           a.angle == b.angle;
}

} // namespace

void PreparedBlocks::refresh(const BlockPool& pool) {
    for (std::size_t k = 0; k < pool.size(); ++k) {
        const RotatedRect now = pool[k].rect();
        if (valid[k] && sameGeometry(from[k], now)) continue;
        from[k] = now;
        rects[k] = prepareRect(now);
        valid[k] = true;
    }
}

int activeBlockCount(const BlockPool& pool, int count) {
    int standing = 0;
    for (int k = 0; k < count; ++k) {
        if (pool[static_cast<std::size_t>(k)].active) ++standing;
    }
    return standing;
}

} // namespace kueruma::world
