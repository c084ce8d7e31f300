// Replay scripts: one "COUNT KEYS" instruction a line, checked whole before anything runs. They
// are read a line at a time, so no input, however long, takes more memory than the steps.
#pragma once

#include "platform/loop/key_latch.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::script {

// `keys` held through `count` ticks.
struct Step {
    std::int32_t count;
    loop::KeySet keys;
};

// A script read whole, or nothing and the first thing wrong with it.
struct Script {
    std::vector<Step> steps;
    // "NAME:LINE: what is wrong" for the first bad line; empty when the script is good.
    std::string error;
};

inline constexpr std::int32_t maxStepCount = 1'000'000;
inline constexpr std::size_t maxLineLength = 4096;
// Enough for hours of recorded play, and a bound on what an endless input can fill.
inline constexpr std::size_t maxInstructions = 1'000'000;

Script parse(std::string_view text, std::string_view name);
// Reads and parses a file, or standard input for "-"; a read error is reported as line 0.
Script load(const std::string& path);
// The letters of a key set, or "-" for none.
std::string keyLetters(loop::KeySet keys);
// The lines that replay `keys`, one key set a tick: "COUNT KEYS" for each run of equal keys, a
// run longer than one line may count going on in the next line.
std::string lines(std::span<const loop::KeySet> keys);

} // namespace kueruma::script
