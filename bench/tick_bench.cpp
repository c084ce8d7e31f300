// The rules' cost: one busy game tick, one whole Play tick with its pixel-less paint, and
// whole stages played from the intro to the result screen.
#include "bench_state.hpp"

#include "backends/headless/paint_targets.hpp"
#include "game/game_state.hpp"
#include "game/game_tick.hpp"
#include "world/blocks.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using namespace kueruma;

// Times `step` from the busy state restored afresh before each run of it; leaves the busy
// state in place for the counters.
template <class Step> void fromBusyState(benchmark::State& state, Step step) {
    headless::NullPaintTarget target;
    bench::enterBusyPlay(target);
    bench::SavedState busy;
    busy.save();
    for (auto _ : state) {
        busy.restore();
        step();
        benchmark::ClobberMemory();
    }
    busy.restore();
}

// What restoring the busy state costs on its own, to read the cases below net of it.
void BM_RestoreBusyState(benchmark::State& state) {
    fromBusyState(state, [] {});
}
BENCHMARK(BM_RestoreBusyState);

void BM_GameTickBusy(benchmark::State& state) {
    fromBusyState(state, [] { game::gameTick(headless::state()); });
    state.counters["activeBlocks"] = game::activeBlockCount(headless::state());
    // Below 1 when the tick beats its goal of 1.3 us.
    state.counters["vsGoal"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1.3e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Below 1 when the tick is faster than the previous release's.
    state.counters["vsPrevious"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * bench::PreviousRelease::busyTickSeconds,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GameTickBusy);

// The shell's timer tick (input, scroll, rules) and the paint it asks for, without pixels.
void BM_PlayTickBusyPixelless(benchmark::State& state) {
    fromBusyState(state, [] { headless::tick(); });
}
BENCHMARK(BM_PlayTickBusyPixelless);

// A whole stage as the replay runner plays it without --png: intro, play, the end pause and
// the result screen, every paint without pixels.
void BM_WholeStagePixelless(benchmark::State& state) {
    const int stage = static_cast<int>(state.range(0));
    headless::NullPaintTarget target;
    std::int64_t ticks = 0;
    for (auto _ : state) {
        headless::boot(&target, stage);
        std::int64_t n = 0;
        while (headless::state().gameState.screen != game::Result) {
            headless::holdKeys(bench::playerKeys(n));
            headless::tick();
            ++n;
        }
        ticks += n;
    }
    state.counters["ticks/s"] =
        benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
    // Above 1 when the stage beats its goal of 850k ticks a second.
    state.counters["vsGoal"] =
        benchmark::Counter(static_cast<double>(ticks) / 850e3, benchmark::Counter::kIsRate);
    // Above 1 when the stage runs faster than in the previous release.
    state.counters["vsPrevious"] = benchmark::Counter(
        static_cast<double>(ticks) / bench::PreviousRelease::wholeStageTicksPerSecond,
        benchmark::Counter::kIsRate);
    state.counters["ticksPerStage"] =
        static_cast<double>(ticks) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WholeStagePixelless)->DenseRange(0, 8);

} // namespace
