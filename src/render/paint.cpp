#include "render/paint.hpp"

#include "figure/figure.hpp"
#include "game/game_state.hpp"
#include "render/draw_util.hpp"
#include "render/effects.hpp"
#include "render/screens.hpp"
#include "world/blocks.hpp"

#include <cmath>

namespace kueruma::render {

using figure::figure;
using game::gameState;

namespace {

void drawFigure(platform::Canvas& canvas) {
    const auto& x = figure.jointX;
    const auto& y = figure.jointY;
    const double r = figure.segment;
    canvas.ellipse(screenX(x[0] - r), screenY(y[0] - r), screenX(x[0] + r), screenY(y[0] + r));
    auto polyline = [&](std::initializer_list<int> joints) {
        bool first = true;
        for (int j : joints) {
            if (first) {
                canvas.moveTo(screenX(x[j]), screenY(y[j]));
                first = false;
            } else {
                canvas.lineTo(screenX(x[j]), screenY(y[j]));
            }
        }
    };
    polyline({1, 2, 3, 5});
    polyline({2, 4, 6});
    polyline({1, 7, 9});
    polyline({1, 8, 10});
}

// P0 origin, P1 along the width, P2 opposite the origin, P3 along the height, and back.
void drawBlockOutline(platform::Canvas& canvas, const world::PreparedRect& r) {
    static constexpr int order[5] = {0, 1, 3, 2, 0};
    canvas.moveTo(screenX(r.cornerX[0]), screenY(r.cornerY[0]));
    for (int i = 1; i < 5; ++i) {
        canvas.lineTo(screenX(r.cornerX[order[i]]), screenY(r.cornerY[order[i]]));
    }
}

void drawBlocks(platform::Canvas& canvas) {
    const world::PreparedRect body = world::prepareRect(figure.bodyBox());
    for (int k = 0; k < gameState.blockCount; ++k) {
        world::Block& block = world::blockPool[static_cast<std::size_t>(k)];
        if (block.active) {
            const world::PreparedRect& rect = world::preparedBlock(k);
            const bool touched = world::rotatedRectsOverlap(body, rect) != 0;
            platform::withPen(canvas, 1, touched ? 191 : 255,
                              [&] { drawBlockOutline(canvas, rect); });
            continue;
        }
        if (block.breakTimer <= 0) continue;
        block.breakTimer -= 1;
        const int n = block.breakTimer;
        if (n > 40) {
            platform::withPen(canvas, 2, 63,
                              [&] { drawBlockOutline(canvas, world::preparedBlock(k)); });
        } else if (n >= 1) {
            drawBlockBreak(canvas, block, n);
        }
    }
}

void drawEndLine(platform::Canvas& canvas) {
    const int ground = screenY(gameState.groundY);
    platform::withPen(canvas, 1, 255, [&] {
        lineBetween(canvas, screenX(gameState.goalX), 0, screenX(gameState.goalX), ground);
        lineBetween(canvas, screenX(gameState.goalX + 2), 0, screenX(gameState.goalX + 2), ground);
    });
}

} // namespace

void drawPlay(platform::Canvas& canvas, const platform::ClientRect& client) {
    if (gameState.scoreFlash) {
        gameState.scoreFlash = false;
        drawHitFlash(canvas, client);
    }
    gameState.scoreFlash = false;
    platform::withPen(canvas, 1, 255, [&] {
        const int ground = screenY(gameState.groundY);
        lineBetween(canvas, 0, ground, client.right, ground);
        figure.updateJoints();
        drawFigure(canvas);
    });
    drawBlocks(canvas);
    drawEndLine(canvas);
    if (!gameState.running && figure.health > 0) drawGoalTether(canvas, client);
    drawHud(canvas);
}

int paintScreen(platform::Window* /*window*/, platform::Canvas& canvas) {
    const platform::ClientRect client = canvas.clientRect();
    const int R = client.right;
    const int B = client.bottom;
    switch (gameState.screen) {
    case game::Play:
        drawPlay(canvas, client);
        break;
    case game::Title:
        drawTitle(canvas, R, B);
        break;
    case game::PassEntry:
        drawPassEntry(canvas, R, B);
        break;
    case game::StageIntro:
        drawStageIntro(canvas, R, B);
        break;
    case game::Result:
        drawResult(canvas, R, B);
        break;
    default:
        break;
    }
    return 0;
}

} // namespace kueruma::render
