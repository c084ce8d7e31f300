// Where a run's header says it starts: the runner options its command names, read the way the
// shell reads the command back, so every program starts a run where its recorder meant.
#pragma once

#include "files/script/script.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace kueruma::script {

// From start-up, or in a stage with the figure's walk cycle at a count.
struct RunStart {
    int stage = -1;
    std::int32_t walkCount = 0;
};

// Reads "# replay: kueruma-replay --stage N --walk-count W FILE" (kept runs, recordings) or
// "# kueruma-solve N ..." (the replays folder) in the header of `script` (named `name`). Empty
// when the header is good; otherwise "NAME:LINE: what is wrong".
std::string readRunStart(const Script& script, std::string_view name, RunStart& start);

} // namespace kueruma::script
