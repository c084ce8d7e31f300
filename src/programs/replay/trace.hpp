// One JSON line per tick with the whole visible state, for replays, tools and tests.
#pragma once

#include "backends/headless/headless.hpp"

#include <cstdint>
#include <string>

namespace kueruma::replay {

// Appends the trace line of the tick just delivered (number `tick`, 1-based) to `out`.
void appendTraceLine(std::string& out, std::int64_t tick, const headless::TickReport& report);

} // namespace kueruma::replay
