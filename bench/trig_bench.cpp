// Our sinCos against the C library's sincos, on the angles the game turns by and on random
// arguments below 16. The two are timed in alternating passes over the same arguments, so the
// machine's noise falls on both alike, and the ratio reported is the median of the passes'.
#include "bench_state.hpp"

#include "game/play_state.hpp"
#include "numeric/trig.hpp"
#include "backends/headless/paint_targets.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace kueruma;

// The blocks' and the figure's angles at every tick of three stages played through, as
// bench/tick_bench.cpp's player plays them.
std::vector<double> gameAngles() {
    std::vector<double> xs;
    headless::NullPaintTarget target;
    for (int stage : {0, 4, 8}) {
        headless::boot(&target, stage);
        for (std::int64_t n = 0; headless::state().gameState.screen != game::Result; ++n) {
            const game::PlayState& s = headless::state();
            for (const world::Block& b : s.blockPool) xs.push_back(b.angle);
            const figure::Figure& f = s.figure;
            xs.insert(xs.end(), {f.bodyAngle, f.limbBase + f.hipA + f.kneeA + world::pi / 2,
                                 f.limbBase + f.hipA + world::pi / 2});
            headless::holdKeys(bench::playerKeys(n));
            headless::tick();
        }
    }
    return xs;
}

std::vector<double> randomAngles() {
    std::mt19937_64 random(31);
    std::uniform_real_distribution<double> below16(-16.0, 16.0);
    std::vector<double> xs(20000);
    for (double& x : xs) x = below16(random);
    return xs;
}

double nanosecondsPerCall(const std::vector<double>& xs, bool ours) {
    const auto start = std::chrono::steady_clock::now();
    for (double x : xs) {
        double s;
        double c;
        if (ours) {
            const numeric::SinCos t = numeric::sinCos(x);
            s = t.sin;
            c = t.cos;
        } else {
#ifdef __GLIBC__
            ::sincos(x, &s, &c);
#else
            s = std::sin(x);
            c = std::cos(x);
#endif
        }
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(c);
    }
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / static_cast<double>(xs.size());
}

void BM_SinCosVsCLibrary(benchmark::State& state) {
    const std::vector<double> xs = state.range(0) == 0 ? gameAngles() : randomAngles();
    std::vector<double> ours;
    std::vector<double> theirs;
    std::vector<double> ratios;
    for (auto _ : state) {
        const bool oursFirst = ratios.size() % 2 == 0;
        const double first = nanosecondsPerCall(xs, oursFirst);
        const double second = nanosecondsPerCall(xs, !oursFirst);
        ours.push_back(oursFirst ? first : second);
        theirs.push_back(oursFirst ? second : first);
        ratios.push_back(ours.back() / theirs.back());
    }
    state.SetLabel(state.range(0) == 0 ? "game angles" : "random below 16");
    state.counters["ours_ns"] = bench::median(ours);
    state.counters["libc_ns"] = bench::median(theirs);
    state.counters["ratio"] = bench::median(ratios);
}
BENCHMARK(BM_SinCosVsCLibrary)->Arg(0)->Arg(1);

} // namespace
