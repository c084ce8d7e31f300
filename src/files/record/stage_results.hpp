// A finished stage as a run's header tells it: each stage's result screen coming up is watched
// for in the play state, written as header lines, and read back by whoever checks the run.
#pragma once

#include "files/script/script.hpp"
#include "game/play_state.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::record {

struct StageResult {
    int stage = -1;
    int score = 0;
    std::int64_t startTick = 0;  // ticks before the stage's intro tick
    std::int64_t resultTick = 0; // ticks up to the one that brought up its result screen
    std::int32_t walkCount = 0;  // the walk cycle's count as the stage began
    std::uint64_t hash = 0;      // stateHash() on the result screen
};

// Follows a program's screens from tick to tick.
class StageWatch {
  public:
    // The play state after `ticks` ticks (0 before the first one); the stage's result when its
    // result screen has just come up.
    std::optional<StageResult> observe(const game::PlayState& state, std::int64_t ticks);
    // The program stands again where it stood with `state`, in the stage `ended` had finished
    // (a practice rewind from its result screen into its play); nullptr when no stage had.
    void rewound(const game::PlayState& state, const StageResult* ended);

  private:
    int lastScreen_ = -1;
    StageResult playing_;
    bool inStage_ = false;
};

// "# verify: stage N, score S, tick T, hash H": what anyone can check by playing the keys, the
// tick counted from `fromTick` (where the script starts).
std::string verifyLine(const StageResult& result, std::int64_t fromTick);
// A recording's summary of a stage: "# stage N: score S on the result screen at tick T".
std::string resultLine(const StageResult& result);

// What a header says a finished stage gives.
struct Claim {
    std::size_t line = 0;
    int stage = -1;
    int score = 0;
    std::int64_t tick = -1; // -1: not said
    std::optional<std::uint64_t> hash;
};

// The claims of a run's header, each list in the order of the stages it names: `scores` from
// the lines that say a score (a kept run's first line, a recording's stage lines, the solver's
// command line), `verified` from the verify lines.
struct Claims {
    std::vector<Claim> scores;
    std::vector<Claim> verified;
    std::string error; // "NAME:LINE: what is wrong" for a verify line that cannot be read
};
Claims readClaims(const script::Script& script, std::string_view name);

} // namespace kueruma::record
