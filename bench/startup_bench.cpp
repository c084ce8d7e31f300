// Start-up to the first frame: the runtime's boot and the window's first paint in process, and
// kueruma-replay started as a fresh process with an empty script (boot, frame 0, exit).
#include "backends/headless/headless.hpp"
#include "backends/headless/paint_targets.hpp"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace kueruma;

template <class Target> void BM_BootToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        Target target;
        headless::boot(&target);
        benchmark::DoNotOptimize(headless::bootReport().painted);
    }
}
BENCHMARK_TEMPLATE(BM_BootToFirstFrame, headless::RasterPaintTarget)
    ->Name("BM_BootToFirstFrame/raster");
BENCHMARK_TEMPLATE(BM_BootToFirstFrame, headless::NullPaintTarget)
    ->Name("BM_BootToFirstFrame/pixelless");

int runReplay(std::vector<std::string> args) {
    args.insert(args.begin(), KUERUMA_REPLAY_EXE);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A new process each time: loading, start-up, frame 0 and, with --png, writing it out.
void BM_ReplayProcessToFirstFrame(benchmark::State& state) {
    const bool png = state.range(0) != 0;
    char dir[] = "/tmp/kueruma-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        state.SkipWithError("cannot make a folder for the frames");
        return;
    }
    const std::string script = std::string(dir) + "/empty.txt";
    std::fclose(std::fopen(script.c_str(), "w"));
    std::vector<std::string> args;
    if (png) args = {"--png", dir};
    args.push_back(script);
    for (auto _ : state) {
        if (runReplay(args) != 0) {
            state.SkipWithError("kueruma-replay failed");
            break;
        }
    }
    std::remove((std::string(dir) + "/frame-000000.png").c_str());
    std::remove(script.c_str());
    rmdir(dir);
}
BENCHMARK(BM_ReplayProcessToFirstFrame)
    ->ArgName("png")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
