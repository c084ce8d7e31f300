// Where a run's header says it starts: the runner options its command names, read the way the
// shell and the runner read the command back, so every program starts a run where its recorder
// meant.
#pragma once

#include "files/script/script.hpp"
#include "world/stages.hpp"

#include <string>
#include <string_view>

namespace kueruma::script {

using world::RunStart;

// Reads "# replay: kueruma-replay --stage N --walk-count W FILE" (kept runs, recordings) or
// "# kueruma-solve N ..." (the replays folder) in the header of `script` (named `name`). Empty
// when the header is good; otherwise "NAME:LINE: what is wrong" (a second such command is
// wrong: which one says where the run starts?).
std::string readRunStart(const Script& script, std::string_view name, RunStart& start);

} // namespace kueruma::script
