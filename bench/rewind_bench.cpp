// Practice mode's rewind ring: what it holds in memory, that ten minutes of rewinding and
// playing on leave the program's memory where the first minute left it, and what one rewind
// step costs with its picture at twice the game's size.
#include "backends/headless/headless.hpp"
#include "backends/headless/paint_targets.hpp"
#include "host/driver/practice.hpp"
#include "host/driver/rewind.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>

namespace {

using namespace kueruma;

// The resident set, from /proc (0 where there is none).
double residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4.0;
}

// A stage played and rewound, a minute at a time, for ten minutes of holding the rewind key;
// the counters say the ring's size and how far memory moved after the first round.
void BM_RewindTenMinutesMemory(benchmark::State& state) {
    headless::RasterPaintTarget target(2 * seam::clientWidth, 2 * seam::clientHeight);
    if (!driver::practice::enabled()) driver::practice::enable({});
    headless::boot(&target, 0);
    constexpr int ticksAMinute = 1200;
    double afterFirst = 0;
    for (auto _ : state) {
        for (int round = 0; round < 10; ++round) {
            headless::holdKeys(round % 2 == 0 ? loop::KeyRight : loop::KeyRight | loop::KeyX);
            for (int i = 0; i < ticksAMinute / 4; ++i) headless::tick();
            driver::practice::setRewinding(true);
            for (int i = 0; i < ticksAMinute; ++i) headless::tick();
            driver::practice::setRewinding(false);
            if (round == 0) afterFirst = residentKiB();
        }
    }
    state.counters["ring_MiB"] =
        static_cast<double>(driver::practice::ringBytes()) / (1024.0 * 1024.0);
    state.counters["frame_bytes"] = static_cast<double>(sizeof(driver::RewindFrame));
    state.counters["rss_growth_KiB"] = residentKiB() - afterFirst;
}
BENCHMARK(BM_RewindTenMinutesMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// One rewind step and its picture, drawn at twice the game's size: well within a 50 ms tick.
void BM_RewindStepWithItsPicture(benchmark::State& state) {
    headless::RasterPaintTarget target(2 * seam::clientWidth, 2 * seam::clientHeight);
    if (!driver::practice::enabled()) driver::practice::enable({});
    headless::boot(&target, 7);
    headless::holdKeys(loop::KeyRight);
    for (auto _ : state) {
        state.PauseTiming();
        driver::practice::setRewinding(false);
        for (int i = 0; i < 64; ++i) headless::tick();
        driver::practice::setRewinding(true);
        state.ResumeTiming();
        for (int i = 0; i < 64; ++i) headless::tick();
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_RewindStepWithItsPicture)->Unit(benchmark::kMillisecond);

} // namespace
