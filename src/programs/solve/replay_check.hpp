// Playing a recorded replay and summing it up: the final state, a hash of the whole per-tick
// trace, and a small per-tick digest of every trace field so a changed replay can say where
// and in what it first went another way.
#pragma once

#include "backends/headless/headless.hpp"
#include "files/script/script.hpp"
#include "outcome.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::solver {

struct PlayedReplay : Outcome {
    std::vector<std::string> trace; // one JSON line per tick, without its newline
};

// The stage a replay file is for, from its name "stage-N.txt"; -1 for any other name.
int stageOfReplay(std::string_view fileName);

// Boots the program with the stage started and holds the script's keys tick by tick.
PlayedReplay playReplay(int stage, const std::vector<script::Step>& steps,
                        headless::PaintTarget& target);

std::uint64_t fnv1a(std::string_view text, std::uint64_t hash = 0xcbf29ce484222325ull);

// "NAME score=S health=H bestCombo=C activeBlocks=A ticks=T trace=HASH"
std::string summaryLine(std::string_view name, const PlayedReplay& played);

// The top-level fields of a trace line, as name and raw JSON value.
std::vector<std::pair<std::string, std::string>> traceFields(std::string_view line);

// One hex digit a field, for every tick: a line of field names, then a line per tick.
std::string fieldDigests(const PlayedReplay& played);

struct Divergence {
    std::int64_t tick = 0;           // 1-based
    std::vector<std::string> fields; // those whose digest differs (may miss one in 16)
};

// Where `played` first leaves the recorded digests; nothing when every tick agrees.
std::optional<Divergence> firstDivergence(std::string_view recordedDigests,
                                          const PlayedReplay& played);

} // namespace kueruma::solver
