// kueruma-replay --verify: plays a run's keys from where its header says and checks what the
// header claims of each finished stage (its score, and its result tick and state hash where a
// verify line gives them), so anyone can tell whether a shared run scores what it says.
#pragma once

#include "files/script/script.hpp"

#include <cstdint>
#include <string>

namespace kueruma::replay {

// A run longer than this is refused rather than played for hours (about 140 hours of play).
inline constexpr std::int64_t maxVerifiedTicks = 10'000'000;

// Plays `script` (read as `name`) and checks its header: appends one line per finished stage to
// `report`, and a line to `problems` for each thing that does not hold ("NAME:LINE: ..."). The
// status as verifyRun's.
int verifyScript(const script::Script& script, const std::string& name, std::string& report,
                 std::string& problems);

// Appends one line per finished stage to `report` and says on standard error what does not
// hold. Returns the exit status: 0 when every claim holds, 1 when one does not (or the header
// claims nothing), 2 when the file cannot be read or is not a run.
int verifyRun(const std::string& path, std::string& report);

} // namespace kueruma::replay
