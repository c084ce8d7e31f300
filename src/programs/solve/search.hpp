// The stage solver: a beam search over the keys held on the ticks of a stage, run on the real
// program through the headless runtime and its snapshots.
#pragma once

#include "backends/headless/headless.hpp"
#include "outcome.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace kueruma::solver {

struct SearchOptions {
    int stage = 0;
    std::uint64_t seed = 1;
    // The work the search may do, in simulated ticks; what it finds depends on this and the
    // seed only, never on the machine or the thread count.
    std::int64_t budget = 20'000'000;
    // A wall-clock bound on top of the budget; 0 for none. A search it stops is reported as
    // cut short, for another machine would have stopped it elsewhere.
    double seconds = 0;
    // Keys are chosen every `hold` ticks and held that long.
    int hold = 1;
    // Threads that expand the beam's children.
    int threads = 2;
    // Keep searching for a higher score after the first win, until the budget is spent.
    bool best = false;
    // Progress lines on stderr.
    bool verbose = false;
    // Keys held on the first ticks after the stage-intro tick, before the search takes over,
    // and the script they came from (for the command line).
    std::vector<loop::KeySet> opening;
    std::string openingPath;
};

// One run of a stage: the keys held on every tick from the stage-intro tick on.
struct Run {
    std::vector<loop::KeySet> keys;
    int score = 0;
    bool reachedResult = false;
};

struct SearchResult {
    Run best;
    bool won = false;
    int beamsTried = 0;
    std::int64_t ticksSimulated = 0;
    // The wall-clock bound stopped the search before its budget was spent.
    bool cutShort = false;
    double seconds = 0;
};

SearchResult solveStage(const SearchOptions& options);

// Plays `keys` from boot with the stage started, on a canvas that draws nothing.
Outcome play(int stage, const std::vector<loop::KeySet>& keys);

} // namespace kueruma::solver
