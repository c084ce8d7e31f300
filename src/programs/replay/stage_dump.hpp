// The nine stages as one JSON object, for tools that study the layouts.
#pragma once

#include <string>

namespace kueruma::replay {

std::string stagesJson();

} // namespace kueruma::replay
