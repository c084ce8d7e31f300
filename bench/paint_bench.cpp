// The paint's cost on every screen, rasterised into the software picture, and the part of it
// a run without pixels makes (its changes to the play state, sounds and pauses).
#include "bench_state.hpp"

#include "backends/headless/paint_targets.hpp"
#include "game/game_state.hpp"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace kueruma;

enum class Scene { Play, HitFlashOverDebris, ClearAnimation, Title, PassEntry, StageIntro, Result };

void setUp(Scene scene, headless::PaintTarget& target) {
    bench::enterBusyPlay(target);
    switch (scene) {
    case Scene::Play:
        break;
    case Scene::HitFlashOverDebris:
        bench::addHitFlashOverDebris();
        break;
    case Scene::ClearAnimation:
        bench::addClearAnimation();
        break;
    case Scene::Title:
        headless::state().gameState.screen = game::Title;
        headless::state().gameState.cursor = 2;
        break;
    case Scene::PassEntry:
        headless::state().gameState.screen = game::PassEntry;
        headless::state().gameState.keypadCell = 7;
        headless::state().gameState.passDigits = {9, 3, 5, 7};
        break;
    case Scene::StageIntro:
        headless::state().gameState.screen = game::StageIntro;
        break;
    case Scene::Result:
        headless::state().gameState.screen = game::Result;
        headless::state().gameState.running = false;
        break;
    }
}

template <class Target> void paintScene(benchmark::State& state, Scene scene) {
    auto target = std::make_unique<Target>();
    setUp(scene, *target);
    bench::SavedState before;
    before.save();
    for (auto _ : state) {
        before.restore();
        headless::paintNow();
        benchmark::ClobberMemory();
    }
    state.counters["pens"] = headless::lastReport().pensCreated;
}

void BM_PaintRaster(benchmark::State& state, Scene scene) {
    paintScene<headless::RasterPaintTarget>(state, scene);
}
void BM_PaintPixelless(benchmark::State& state, Scene scene) {
    paintScene<headless::NullPaintTarget>(state, scene);
}

BENCHMARK_CAPTURE(BM_PaintRaster, play, Scene::Play);
BENCHMARK_CAPTURE(BM_PaintRaster, hitFlashOverDebris, Scene::HitFlashOverDebris);
BENCHMARK_CAPTURE(BM_PaintRaster, clearAnimation, Scene::ClearAnimation);
BENCHMARK_CAPTURE(BM_PaintRaster, title, Scene::Title);
BENCHMARK_CAPTURE(BM_PaintRaster, passEntry, Scene::PassEntry);
BENCHMARK_CAPTURE(BM_PaintRaster, stageIntro, Scene::StageIntro);
BENCHMARK_CAPTURE(BM_PaintRaster, result, Scene::Result);
BENCHMARK_CAPTURE(BM_PaintPixelless, play, Scene::Play);
BENCHMARK_CAPTURE(BM_PaintPixelless, hitFlashOverDebris, Scene::HitFlashOverDebris);
BENCHMARK_CAPTURE(BM_PaintPixelless, clearAnimation, Scene::ClearAnimation);

} // namespace
