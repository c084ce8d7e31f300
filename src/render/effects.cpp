#include "render/effects.hpp"

#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "platform/platform.hpp"
#include "render/draw_util.hpp"

#include <cmath>

namespace kueruma::render {

using figure::figure;
using game::gameState;
using world::pi;

namespace {

constexpr unsigned hitPauseMs = 60;
constexpr unsigned clearFramePauseMs = 10;
constexpr unsigned clearHoldMs = 400;
constexpr int clearBonus = 599;

struct WorldPoint {
    double x;
    double y;
};

WorldPoint feetCentre() {
    return {(figure.jointX[5] + figure.jointX[6]) / 2, (figure.jointY[5] + figure.jointY[6]) / 2};
}

void lineToward(platform::Canvas& canvas, int fromX, int fromY, WorldPoint to) {
    lineBetween(canvas, fromX, fromY, screenX(to.x), screenY(to.y));
}

// A line from the point at distance r in direction a from `centre`, to `target`.
void rayLine(platform::Canvas& canvas, WorldPoint centre, double r, double a, WorldPoint target) {
    lineToward(canvas, screenX(centre.x + r * std::cos(a)), screenY(centre.y + r * std::sin(a)),
               target);
}

// Lines from grid points on all four edges to M, starting at `first` and every 90 pixels.
void edgeGrid(platform::Canvas& canvas, const platform::ClientRect& client, int first,
              WorldPoint m) {
    for (int y = first; y <= client.bottom; y += 90) lineToward(canvas, client.left, y, m);
    for (int y = first; y <= client.bottom; y += 90) lineToward(canvas, client.right, y, m);
    for (int x = first; x <= client.right; x += 90) lineToward(canvas, x, client.top, m);
    for (int x = first; x <= client.right; x += 90) lineToward(canvas, x, client.bottom, m);
}

// A debris ray's direction from the block centre, worked out once for its two or three segments.
struct Ray {
    WorldPoint centre;
    double c;
    double s;
};

// Debris rays point the same ways for every block on every paint: L rays evenly spaced over the
// full turn, phi = pi * k / (L / 2), for the two values of L.
template <int L> struct RayDirections {
    double c[L];
    double s[L];
    RayDirections() : c{}, s{} {
        for (int k = 0; k < L; ++k) {
            const double phi = pi * k / (L / 2);
            c[k] = std::cos(phi);
            s[k] = std::sin(phi);
        }
    }
};
const RayDirections<24> fewRays;
const RayDirections<48> manyRays;

void radialSegment(platform::Canvas& canvas, const Ray& ray, double from, double to) {
    worldLine(canvas, ray.centre.x + from * ray.c, ray.centre.y + from * ray.s,
              ray.centre.x + to * ray.c, ray.centre.y + to * ray.s);
}

} // namespace

void drawHitFlash(platform::Canvas& canvas, const platform::ClientRect& client) {
    const WorldPoint m = feetCentre();
    const double theta = figure.bodyAngle;
    platform::withPen(canvas, 2, 126, [&] { edgeGrid(canvas, client, 0, m); });
    platform::withPen(canvas, 1, 82, [&] { edgeGrid(canvas, client, 45, m); });
    platform::withPen(canvas, 1, 255, [&] {
        for (int k = -6; k <= 6; ++k) rayLine(canvas, m, 250, theta - pi / 2 + k * pi / 96, m);
    });
    platform::withPen(canvas, 1, 127, [&] {
        for (int k = -6; k <= 6; ++k) {
            rayLine(canvas, m, 300, theta - 3 * pi / 4 + k * pi / 48, m);
            rayLine(canvas, m, 300, theta - pi / 4 - k * pi / 48, m);
        }
    });
    if (world::activeBlockCount() > 0) {
        platform::sleepMs(hitPauseMs);
        return;
    }
    playClearAnimation(canvas);
}

void playClearAnimation(platform::Canvas& canvas) {
    platform::playSound("WavF_03.wav");
    const WorldPoint m = feetCentre();
    const double theta = figure.bodyAngle;
    for (int i = 0; i <= 24; ++i) {
        const int c = i - 24;
        const int r = -24 + 6 * i;
        const int grey = ((8 * c - 1) % 256 + 256) % 256;
        const WorldPoint e{m.x + r * std::cos(theta + pi / 2), m.y + r * std::sin(theta + pi / 2)};
        platform::withPen(canvas, 2, grey, [&] {
            rayLine(canvas, m, 360, theta - pi / 2 + c * pi / 96, e);
            rayLine(canvas, m, 360, theta - pi / 2 - c * pi / 96, e);
        });
        platform::sleepMs(clearFramePauseMs);
    }
    platform::sleepMs(clearHoldMs);
    figure.score += clearBonus;
}

void drawBlockBreak(platform::Canvas& canvas, const world::Block& block, int n) {
    const bool cleared = gameState.allCleared;
    if (n == 40) {
        platform::playSound("WavF_02.wav");
        if (cleared) {
            platform::sleepMs(hitPauseMs);
            platform::playSound("WavF_04.wav");
        }
    }
    const int L = cleared ? 48 : 24;
    const int D = 4 * L;
    const double w = block.width;
    const double h = block.height;
    const double a = block.angle;
    const WorldPoint q{block.x + (w / 2) * std::cos(a) - (h / 2) * std::sin(a),
                       block.y + (w / 2) * std::sin(a) + (h / 2) * std::cos(a)};
    const double b = (w + h) / 4;
    for (int k = 0; k < L; ++k) {
        const Ray ray =
            cleared ? Ray{q, manyRays.c[k], manyRays.s[k]} : Ray{q, fewRays.c[k], fewRays.s[k]};
        platform::withPen(canvas, 1, (3 * n + 100) % 256,
                          [&] { radialSegment(canvas, ray, b + D - 3 * n, b + D); });
        platform::withPen(canvas, 1, (5 * L) % 256,
                          [&] { radialSegment(canvas, ray, b + D - n, b + D + 2 * n); });
        if (k % 2 == 1 && cleared) {
            platform::withPen(canvas, 1, (2 * L) % 256,
                              [&] { radialSegment(canvas, ray, b + 40 - n, b + 3 * n); });
        }
    }
}

void drawGoalTether(platform::Canvas& canvas, const platform::ClientRect& client) {
    const WorldPoint neck{figure.jointX[1], figure.jointY[1]};
    platform::withPen(canvas, 2, 255, [&] {
        for (int y = 0; y <= client.bottom; y += 60) lineToward(canvas, client.left, y, neck);
    });
    platform::withPen(canvas, 2, 127, [&] {
        for (int y = 0; y <= client.bottom; y += 60) lineToward(canvas, client.left, y + 30, neck);
    });
}

} // namespace kueruma::render
