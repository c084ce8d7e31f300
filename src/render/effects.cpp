#include "render/effects.hpp"

#include "numeric/trig.hpp"
#include "seam/machine.hpp"
#include "seam/sounds.hpp"

namespace kueruma::render {

using world::pi;

namespace {

constexpr unsigned hitPauseMs = 60;
constexpr unsigned clearFramePauseMs = 10;
constexpr unsigned clearHoldMs = 400;
constexpr int clearFrames = 25;

int flashGrey(int grey, Flashes flashes) {
    return flashes == Flashes::Reduced ? grey / 4 : grey;
}

void lineToward(seam::Canvas& canvas, const View& view, int fromX, int fromY, WorldPoint to) {
    lineBetween(canvas, fromX, fromY, view.x(to.x), View::y(to.y));
}

// A line from the point at distance r in direction a from `centre`, to `target`.
void rayLine(seam::Canvas& canvas, const View& view, WorldPoint centre, double r, double a,
             WorldPoint target) {
    const numeric::SinCos t = numeric::sinCos(a);
    lineToward(canvas, view, view.x(centre.x + r * t.cos), View::y(centre.y + r * t.sin), target);
}

// Lines from grid points on all four edges to M, starting at `first` and every 90 pixels.
void edgeGrid(seam::Canvas& canvas, const View& view, const seam::ClientRect& client, int first,
              WorldPoint m) {
    for (int y = first; y <= client.bottom; y += 90) lineToward(canvas, view, client.left, y, m);
    for (int y = first; y <= client.bottom; y += 90) lineToward(canvas, view, client.right, y, m);
    for (int x = first; x <= client.right; x += 90) lineToward(canvas, view, x, client.top, m);
    for (int x = first; x <= client.right; x += 90) lineToward(canvas, view, x, client.bottom, m);
}

// Frame i of the clear animation: two lines closing from 45 degrees either side of the upward
// direction onto a point that moves along the body axis, from dark grey to white.
void drawClearFrame(seam::Canvas& canvas, const View& view, int i, WorldPoint m, double theta,
                    Flashes flashes) {
    const int c = i - (clearFrames - 1);
    const int r = -24 + 6 * i;
    const int grey = ((8 * c - 1) % 256 + 256) % 256;
    const numeric::SinCos t = numeric::sinCos(theta + pi / 2);
    const WorldPoint e{m.x + r * t.cos, m.y + r * t.sin};
    seam::withPen(canvas, 2, flashGrey(grey, flashes), [&] {
        rayLine(canvas, view, m, 360, theta - pi / 2 + c * pi / 96, e);
        rayLine(canvas, view, m, 360, theta - pi / 2 - c * pi / 96, e);
    });
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
            const numeric::SinCos t = numeric::sinCos(phi);
            c[k] = t.cos;
            s[k] = t.sin;
        }
    }
};
const RayDirections<24> fewRays;
const RayDirections<48> manyRays;

void radialSegment(seam::Canvas& canvas, const View& view, const Ray& ray, double from, double to) {
    worldLine(canvas, view, ray.centre.x + from * ray.c, ray.centre.y + from * ray.s,
              ray.centre.x + to * ray.c, ray.centre.y + to * ray.s);
}

} // namespace

void drawHitFlash(seam::Canvas& canvas, const View& view, const seam::ClientRect& client,
                  WorldPoint m, double theta, Flashes flashes) {
    seam::withPen(canvas, 2, flashGrey(126, flashes),
                  [&] { edgeGrid(canvas, view, client, 0, m); });
    seam::withPen(canvas, 1, flashGrey(82, flashes),
                  [&] { edgeGrid(canvas, view, client, 45, m); });
    seam::withPen(canvas, 1, flashGrey(255, flashes), [&] {
        for (int k = -6; k <= 6; ++k) {
            rayLine(canvas, view, m, 250, theta - pi / 2 + k * pi / 96, m);
        }
    });
    seam::withPen(canvas, 1, flashGrey(127, flashes), [&] {
        for (int k = -6; k <= 6; ++k) {
            rayLine(canvas, view, m, 300, theta - 3 * pi / 4 + k * pi / 48, m);
            rayLine(canvas, view, m, 300, theta - pi / 4 - k * pi / 48, m);
        }
    });
}

void finishHitFlash(seam::Canvas* canvas, const View& view, bool clearAnimation, WorldPoint feet,
                    double theta, Flashes flashes) {
    if (!clearAnimation) {
        seam::sleepMs(hitPauseMs);
        return;
    }
    // Nothing is erased between frames: they pile up on the flash. The bonus was already added.
    seam::playSound(seam::soundFile(seam::Sound::LastBlock));
    for (int i = 0; i < clearFrames; ++i) {
        if (canvas != nullptr) drawClearFrame(*canvas, view, i, feet, theta, flashes);
        seam::sleepMs(clearFramePauseMs);
    }
    seam::sleepMs(clearHoldMs);
}

void playBreakSounds(bool allCleared) {
    seam::playSound(seam::soundFile(seam::Sound::BreakUp));
    if (allCleared) {
        seam::sleepMs(hitPauseMs);
        seam::playSound(seam::soundFile(seam::Sound::BreakUpCleared));
    }
}

void drawBlockBreak(seam::Canvas& canvas, const View& view, const world::Block& block, int n,
                    bool cleared) {
    const int L = cleared ? 48 : 24;
    const int D = 4 * L;
    const double w = block.width;
    const double h = block.height;
    const double a = block.angle;
    const numeric::SinCos t = numeric::sinCos(a);
    const WorldPoint q{block.x + (w / 2) * t.cos - (h / 2) * t.sin,
                       block.y + (w / 2) * t.sin + (h / 2) * t.cos};
    const double b = (w + h) / 4;
    for (int k = 0; k < L; ++k) {
        const Ray ray =
            cleared ? Ray{q, manyRays.c[k], manyRays.s[k]} : Ray{q, fewRays.c[k], fewRays.s[k]};
        seam::withPen(canvas, 1, (3 * n + 100) % 256,
                      [&] { radialSegment(canvas, view, ray, b + D - 3 * n, b + D); });
        seam::withPen(canvas, 1, (5 * L) % 256,
                      [&] { radialSegment(canvas, view, ray, b + D - n, b + D + 2 * n); });
        if (k % 2 == 1 && cleared) {
            seam::withPen(canvas, 1, (2 * L) % 256,
                          [&] { radialSegment(canvas, view, ray, b + 40 - n, b + 3 * n); });
        }
    }
}

void drawGoalTether(seam::Canvas& canvas, const View& view, const seam::ClientRect& client,
                    WorldPoint neck) {
    seam::withPen(canvas, 2, 255, [&] {
        for (int y = 0; y <= client.bottom; y += 60) {
            lineToward(canvas, view, client.left, y, neck);
        }
    });
    seam::withPen(canvas, 2, 127, [&] {
        for (int y = 0; y <= client.bottom; y += 60) {
            lineToward(canvas, view, client.left, y + 30, neck);
        }
    });
}

} // namespace kueruma::render
