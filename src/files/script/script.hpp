// Replay scripts: one "COUNT KEYS" instruction a line, checked whole before anything runs. They
// are read a line at a time, so no input, however long, takes more memory than the steps.
#pragma once

#include "host/loop/key_latch.hpp"

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

// A comment line before the first instruction (from its '#' on), and its line number.
struct HeaderLine {
    std::size_t line;
    std::string text;
};

// A script read whole, or nothing and the first thing wrong with it.
struct Script {
    std::vector<Step> steps;
    // The comments that say what the script is, the first maxHeaderLines of them.
    std::vector<HeaderLine> header;
    // "NAME:LINE: what is wrong" for the first bad line, "NAME: what is wrong" when the file
    // cannot be read; empty when the script is good.
    std::string error;
};

inline constexpr std::int32_t maxStepCount = 1'000'000;
inline constexpr std::size_t maxLineLength = 4096;
// Enough for hours of recorded play, and a bound on what an endless input can fill.
inline constexpr std::size_t maxInstructions = 1'000'000;
// A recording's header names each finished stage in two lines: room for hundreds of them.
inline constexpr std::size_t maxHeaderLines = 1024;

Script parse(std::string_view text, std::string_view name);
// Reads and parses a file, or standard input for "-"; a file that cannot be read is named
// without a line ("FILE: cannot read the script: why").
Script load(const std::string& path);
// The letters of a key set, or "-" for none.
std::string keyLetters(loop::KeySet keys);
// The lines that replay `keys`, one key set a tick: "COUNT KEYS" for each run of equal keys, a
// run longer than one line may count going on in the next line.
std::string lines(std::span<const loop::KeySet> keys);

// The header comments that say what a script is: `text` after "# " on one line, anything that
// could end the line (a newline, any control character) shown as '?', so no name written into
// a header can start a line of its own.
std::string commentLine(std::string_view text);
// `word` as a shell reads it back when pasted: as it is when every character is safe, else in
// single quotes, or in bash's $'...' when it holds a control character (so it stays one line).
std::string shellQuoted(std::string_view word);
// The words of a command as shellQuoted() writes them: split at spaces, quotes undone.
std::vector<std::string> shellWords(std::string_view command);

} // namespace kueruma::script
