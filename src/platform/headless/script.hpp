// Replay scripts: one "COUNT KEYS" instruction a line, checked whole before anything runs.
#pragma once

#include "platform/headless/headless.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::headless {

struct ScriptStep {
    std::int32_t count;
    KeySet keys;
};

struct ScriptResult {
    std::vector<ScriptStep> steps;
    // "NAME:LINE: what is wrong" for the first bad line; empty when the script is good.
    std::string error;
};

inline constexpr std::int32_t maxStepCount = 1'000'000;
inline constexpr std::size_t maxLineLength = 4096;

ScriptResult parseScript(std::string_view text, std::string_view name);
// Reads and parses a file, or standard input for "-".
ScriptResult loadScript(const std::string& path);
// The letters of a key set, or "-" for none.
std::string keyLetters(KeySet keys);

} // namespace kueruma::headless
