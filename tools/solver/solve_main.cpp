// kueruma-solve: searches for keys that win a stage and writes them as a replay script.
#include "search.hpp"

#include "platform/headless/script.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {

constexpr const char* usage =
    "usage: kueruma-solve STAGE [--seconds N] [--seed S] [--best] [--verbose] [--opening SCRIPT]\n"
    "                     [--out FILE]\n";

int fail(const std::string& message) {
    std::cerr << "kueruma-solve: " << message << "\n" << usage;
    return 2;
}

bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    kueruma::solver::SearchOptions options;
    std::string out;
    bool haveStage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        double v = 0;
        if (arg == "--seconds") {
            if (!hasValue || !parseNumber(argv[++i], v) || v <= 0) return fail("bad --seconds");
            options.seconds = v;
        } else if (arg == "--seed") {
            if (!hasValue || !parseNumber(argv[++i], v) || v < 0) return fail("bad --seed");
            options.seed = static_cast<std::uint64_t>(v);
        } else if (arg == "--out") {
            if (!hasValue) return fail("--out takes a file");
            out = argv[++i];
        } else if (arg == "--opening") {
            // A script for the first ticks after the stage-intro tick.
            if (!hasValue) return fail("--opening takes a script");
            const auto script = kueruma::headless::loadScript(argv[++i]);
            if (!script.error.empty()) return fail(script.error);
            for (const auto& step : script.steps) {
                options.opening.insert(options.opening.end(), static_cast<std::size_t>(step.count),
                                       step.keys);
            }
        } else if (arg == "--best") {
            options.best = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (!haveStage && parseNumber(arg.c_str(), v) && v >= 0 && v <= 8 &&
                   v == static_cast<int>(v)) {
            options.stage = static_cast<int>(v);
            haveStage = true;
        } else {
            return fail("unknown argument '" + arg + "'");
        }
    }
    if (!haveStage) return fail("a stage index from 0 to 8 is needed");

    const kueruma::solver::SearchResult result = kueruma::solver::solveStage(options);
    const kueruma::solver::Run& run = result.best;
    std::fprintf(stderr, "stage %d: %s, score %d, %zu ticks, %d beams, %.1f s\n", options.stage,
                 result.won ? "won" : "not won", run.score, run.keys.size(), result.beamsTried,
                 result.seconds);
    if (run.keys.empty()) return 1;
    const std::string script = "# kueruma-solve " + std::to_string(options.stage) + " --seed " +
                               std::to_string(options.seed) + ": score " +
                               std::to_string(run.score) + "\n" +
                               kueruma::solver::toScript(run.keys);
    if (out.empty()) {
        std::cout << script;
    } else {
        std::ofstream file(out);
        file << script;
        if (!file) return fail("cannot write " + out);
    }
    return result.won ? 0 : 1;
}
