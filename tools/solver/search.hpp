// The stage solver: a beam search over the keys held on each tick of a stage, run on the real
// program through the headless runtime and its snapshots.
#pragma once

#include "outcome.hpp"
#include "platform/headless/headless.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace kueruma::solver {

struct SearchOptions {
    int stage = 0;
    double seconds = 60;
    std::uint64_t seed = 1;
    // Keep searching for a higher score after the first win, until the time is up.
    bool best = false;
    // Progress lines on stderr.
    bool verbose = false;
    // Keys held on the first ticks after the stage-intro tick, before the search takes over.
    std::vector<headless::KeySet> opening;
};

// One run of a stage: the keys held on every tick from the stage-intro tick on.
struct Run {
    std::vector<headless::KeySet> keys;
    int score = 0;
    bool reachedResult = false;
};

struct SearchResult {
    Run best;
    bool won = false;
    int beamsTried = 0;
    double seconds = 0;
};

SearchResult solveStage(const SearchOptions& options);

// Plays `keys` from boot with the stage started, on a canvas that draws nothing.
Outcome play(int stage, const std::vector<headless::KeySet>& keys);

// The keys as a replay script: runs of equal keys, one "COUNT KEYS" line each.
std::string toScript(const std::vector<headless::KeySet>& keys);

} // namespace kueruma::solver
