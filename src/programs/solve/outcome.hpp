// What a finished run left behind, as the replay runner would see it; shared by the solver and
// the replay checks.
#pragma once

#include <cstdint>

namespace kueruma::solver {

struct Outcome {
    int screen = 0;
    int score = 0;
    int health = 0;
    int bestCombo = 0;
    int activeBlocks = 0;
    std::int64_t ticks = 0;
};

// The outcome of the run the program is in now, after `ticks` ticks.
Outcome currentOutcome(std::int64_t ticks);

} // namespace kueruma::solver
