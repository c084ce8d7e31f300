#include "render/paint.hpp"

#include "render/draw_util.hpp"
#include "render/effects.hpp"
#include "render/screens.hpp"
#include "render/stick_figure.hpp"

namespace kueruma::render {

using game::PlayState;

namespace {

WorldPoint feetCentre(const figure::Figure& f) {
    return {(f.jointX[figure::FootA] + f.jointX[figure::FootB]) / 2,
            (f.jointY[figure::FootA] + f.jointY[figure::FootB]) / 2};
}

// A broken block this paint counted down: its timer now, 1 or more; 0 when it shows nothing.
int brokenBlockTimer(const world::Block& block) {
    return block.active ? 0 : block.breakTimer;
}

// P0 origin, P1 along the width, P2 opposite the origin, P3 along the height, and back.
void drawBlockOutline(seam::Canvas& canvas, const View& view, const world::PreparedRect& r) {
    static constexpr int order[5] = {0, 1, 3, 2, 0};
    canvas.moveTo(view.x(r.cornerX[0]), View::y(r.cornerY[0]));
    for (int i = 1; i < 5; ++i) {
        canvas.lineTo(view.x(r.cornerX[order[i]]), View::y(r.cornerY[order[i]]));
    }
}

// Each block in turn: the break sounds of one whose debris begins now, and on a canvas its
// outline or its debris.
void paintBlocks(seam::Canvas* canvas, const View& view, const PlayState& state) {
    const world::PreparedRect body =
        world::prepareRect(state.figure.bodyBox(), state.figure.bodyTurn());
    for (int k = 0; k < state.gameState.blockCount; ++k) {
        const world::Block& block = state.blockPool[static_cast<std::size_t>(k)];
        const world::PreparedRect& rect = state.preparedBlocks[k];
        const int n = brokenBlockTimer(block);
        if (n == debrisStart) playBreakSounds(state.gameState.allCleared);
        if (canvas == nullptr) continue;
        if (block.active) {
            const bool touched = world::rotatedRectsOverlap(body, rect) != 0;
            seam::withPen(*canvas, 1, touched ? 191 : 255,
                          [&] { drawBlockOutline(*canvas, view, rect); });
        } else if (n > debrisStart) {
            seam::withPen(*canvas, 2, 63, [&] { drawBlockOutline(*canvas, view, rect); });
        } else if (n >= 1) {
            drawBlockBreak(*canvas, view, block, n, state.gameState.allCleared);
        }
    }
}

void drawEndLine(seam::Canvas& canvas, const View& view, const game::GameState& gs) {
    const int ground = View::y(gs.groundY);
    seam::withPen(canvas, 1, 255, [&] {
        lineBetween(canvas, view.x(gs.goalX), 0, view.x(gs.goalX), ground);
        lineBetween(canvas, view.x(gs.goalX + 2), 0, view.x(gs.goalX + 2), ground);
    });
}

// The play field in the order its sounds and pauses fall: the flash and what follows it, the
// ground and the figure, the blocks, the end line, the tether and the HUD. Without a canvas
// (a paint nobody sees) only the sounds and pauses, in the same order.
void paintPlay(seam::Canvas* canvas, const PlayState& state, const PaintFrame& frame,
               const seam::ClientRect& client, const PaintOptions& options) {
    const game::GameState& gs = state.gameState;
    const figure::Figure& f = state.figure;
    const View view{gs.scrollX};
    if (frame.flash) {
        const WorldPoint feet{frame.flashFeetX, frame.flashFeetY};
        const Flashes flashes = options.reducedFlashing ? Flashes::Reduced : Flashes::Full;
        if (canvas != nullptr) drawHitFlash(*canvas, view, client, feet, f.bodyAngle, flashes);
        finishHitFlash(canvas, view, frame.clearAnimation, feet, f.bodyAngle, flashes);
    }
    if (canvas != nullptr && options.ghost != nullptr) {
        seam::withPen(*canvas, 1, ghostGrey, [&] { drawFigure(*canvas, view, *options.ghost); });
    }
    if (canvas != nullptr) {
        seam::withPen(*canvas, 1, 255, [&] {
            const int ground = View::y(gs.groundY);
            lineBetween(*canvas, 0, ground, client.right, ground);
            drawFigure(*canvas, view, f);
        });
    }
    paintBlocks(canvas, view, state);
    if (canvas == nullptr) return;
    drawEndLine(*canvas, view, gs);
    if (!gs.running && f.health > 0) {
        drawGoalTether(*canvas, view, client, {f.jointX[figure::Neck], f.jointY[figure::Neck]});
    }
    drawHud(*canvas, state);
}

} // namespace

PaintFrame preparePaint(PlayState& state) {
    PaintFrame frame;
    game::GameState& gs = state.gameState;
    if (gs.screen != game::Play) return frame;
    figure::Figure& f = state.figure;
    if (gs.scoreFlash) {
        frame.flash = true;
        const WorldPoint feet = feetCentre(f);
        frame.flashFeetX = feet.x;
        frame.flashFeetY = feet.y;
        frame.clearAnimation = game::activeBlockCount(state) == 0;
        if (frame.clearAnimation) f.score += clearBonus;
    }
    gs.scoreFlash = false;
    f.updateJoints();
    for (int k = 0; k < gs.blockCount; ++k) {
        world::Block& block = state.blockPool[static_cast<std::size_t>(k)];
        if (!block.active && block.breakTimer > 0) block.breakTimer -= 1;
    }
    state.preparedBlocks.refresh(state.blockPool);
    return frame;
}

void playPaintCues(const PlayState& state, const PaintFrame& frame) {
    if (state.gameState.screen == game::Play) paintPlay(nullptr, state, frame, {}, {});
}

void paintScreen(const PlayState& state, const PaintFrame& frame, seam::Canvas& canvas,
                 const PaintOptions& options) {
    const seam::ClientRect client = canvas.clientRect();
    const int R = client.right;
    const int B = client.bottom;
    switch (state.gameState.screen) {
    case game::Play:
        paintPlay(&canvas, state, frame, client, options);
        break;
    case game::Title:
        drawTitle(canvas, state.gameState, R, B);
        break;
    case game::PassEntry:
        drawPassEntry(canvas, state.gameState, R, B);
        break;
    case game::StageIntro:
        drawStageIntro(canvas, state.gameState, R, B);
        break;
    case game::Result:
        drawResult(canvas, state, R, B);
        break;
    default:
        break;
    }
}

} // namespace kueruma::render
