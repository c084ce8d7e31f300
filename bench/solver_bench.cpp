// The stage solver's speed on one thread and on two: the ticks it simulates a second, in passes
// that alternate between the two (so the machine's noise falls on both alike), and what the
// second thread adds as their ratio.
#include "bench_state.hpp"

#include "search.hpp"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace kueruma;

// One search of the last stage, the hardest, on `threads` threads.
double ticksPerSecond(int threads) {
    solver::SearchOptions options;
    options.stage = 8;
    options.budget = 400'000;
    options.threads = threads;
    const solver::SearchResult result = solver::solveStage(options);
    return result.seconds > 0 ? static_cast<double>(result.ticksSimulated) / result.seconds : 0;
}

void BM_SolverOneAndTwoThreads(benchmark::State& state) {
    std::vector<double> one;
    std::vector<double> two;
    std::vector<double> ratios;
    for (auto _ : state) {
        const bool oneFirst = ratios.size() % 2 == 0;
        const double first = ticksPerSecond(oneFirst ? 1 : 2);
        const double second = ticksPerSecond(oneFirst ? 2 : 1);
        one.push_back(oneFirst ? first : second);
        two.push_back(oneFirst ? second : first);
        ratios.push_back(two.back() / one.back());
    }
    state.counters["oneThread_ticks/s"] = bench::median(one);
    state.counters["twoThreads_ticks/s"] = bench::median(two);
    state.counters["twoVsOne"] = bench::median(ratios);
}
BENCHMARK(BM_SolverOneAndTwoThreads)->Iterations(6)->Unit(benchmark::kSecond);

} // namespace
