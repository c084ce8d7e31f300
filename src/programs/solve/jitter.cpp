#include "jitter.hpp"

#include "outcome.hpp"

#include "backends/headless/headless.hpp"
#include "game/game_state.hpp"
#include "world/stages.hpp"

#include <algorithm>

namespace kueruma::solver {

std::vector<loop::KeySet> jittered(const std::vector<loop::KeySet>& keys, std::mt19937_64& rng) {
    std::vector<loop::KeySet> out(keys.size(), keys.empty() ? 0 : keys.front());
    const auto last = static_cast<std::int64_t>(keys.size()) - 1;
    for (std::int64_t t = 1; t <= last; ++t) {
        const auto k = static_cast<std::size_t>(t);
        if (keys[k] == keys[k - 1]) continue;
        // Two bits of the generator, alike in every standard library: 0 early, 1 or 2 on time,
        // 3 late.
        const int draw = static_cast<int>(rng() & 3);
        const std::int64_t shift = draw == 0 ? -1 : draw == 3 ? 1 : 0;
        const auto from = static_cast<std::size_t>(std::clamp<std::int64_t>(t + shift, 1, last));
        // Changes are laid down in order, so a later one overwrites what an earlier one held.
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), keys[k]);
    }
    return out;
}

namespace {

// Plays the keys from the stage's start, then walks right, until the Result screen shows or the
// stage has long timed out.
Outcome playThenWalkOn(int stage, const std::vector<loop::KeySet>& keys) {
    headless::NullPaintTarget target;
    headless::boot(&target, stage);
    // Long enough for the view to scroll past the goal.
    const game::GameState& gs = headless::state().gameState;
    const auto walkTicks = static_cast<std::size_t>(gs.goalX / gs.scrollStep) + 8;
    constexpr loop::KeySet walk = loop::KeyRight;
    std::int64_t ticks = 0;
    for (std::size_t t = 0; t < keys.size() + walkTicks; ++t) {
        headless::holdKeys(t < keys.size() ? keys[t] : walk);
        if (!headless::tick()) break;
        ++ticks;
        if (headless::state().gameState.screen == game::Result) break;
    }
    return currentOutcome(ticks);
}

} // namespace

int jitterWins(int stage, const std::vector<loop::KeySet>& keys, int copies, std::uint64_t seed) {
    std::vector<loop::KeySet> played = keys;
    // The idle ticks that let the Result screen show: a copy that has not finished by then
    // walks on instead.
    while (!played.empty() && played.back() == 0) played.pop_back();
    std::mt19937_64 rng(seed);
    const int clearPoint = world::stageData(stage).clearPoint;
    int wins = 0;
    for (int i = 0; i < copies; ++i) {
        const Outcome end = playThenWalkOn(stage, jittered(played, rng));
        if (end.screen == game::Result && end.score >= clearPoint) ++wins;
    }
    return wins;
}

} // namespace kueruma::solver
