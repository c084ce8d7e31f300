// Replay scripts: one "COUNT KEYS" instruction a line, checked whole before anything runs. They
// are read a line at a time, so no input, however long, takes more memory than the steps.
#pragma once

#include "platform/loop/key_latch.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::headless {

// Keys a script can hold, as bits.
using loop::Key;
using enum loop::Key;
using loop::KeySet;

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
// Enough for hours of recorded play, and a bound on what an endless input can fill.
inline constexpr std::size_t maxInstructions = 1'000'000;

ScriptResult parseScript(std::string_view text, std::string_view name);
// Reads and parses a file, or standard input for "-"; a read error is reported as line 0.
ScriptResult loadScript(const std::string& path);
// The letters of a key set, or "-" for none.
std::string keyLetters(KeySet keys);

} // namespace kueruma::headless
