// How much slack a run leaves: copies of it played with every key change a tick early or late,
// as a person following it might. It is open-loop (nobody reacts), so a player does at least as
// well.
#pragma once

#include "backends/headless/headless.hpp"

#include <cstdint>
#include <random>
#include <vector>

namespace kueruma::solver {

// `keys` with each change of keys after the first tick moved by -1, 0 or +1 tick (chances 1/4,
// 1/2, 1/4), never onto the first tick; a change that lands on or before an earlier one
// replaces it. The length stays the same.
std::vector<loop::KeySet> jittered(const std::vector<loop::KeySet>& keys, std::mt19937_64& rng);

// How many of `copies` jittered copies, drawn from `seed`, still reach the Result screen at
// the stage's target. A copy whose keys run out before its stage ends walks on to the right,
// as whoever followed the run would.
int jitterWins(int stage, const std::vector<loop::KeySet>& keys, int copies, std::uint64_t seed);

} // namespace kueruma::solver
