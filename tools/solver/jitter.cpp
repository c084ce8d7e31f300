#include "jitter.hpp"

#include "search.hpp"
#include "world/stages.hpp"

#include <algorithm>

namespace kueruma::solver {

std::vector<headless::KeySet> jittered(const std::vector<headless::KeySet>& keys,
                                       std::mt19937_64& rng) {
    std::vector<headless::KeySet> out(keys.size(), keys.empty() ? 0 : keys.front());
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

int jitterWins(int stage, const std::vector<headless::KeySet>& keys, int copies,
               std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    const world::StageData& data = world::stageData(stage);
    // A copy may still be on its way when its keys run out: it stands still until the stage
    // times out, and its score counts then.
    const auto idleTicks = static_cast<std::size_t>(data.goalX / 5.0) + 8;
    int wins = 0;
    for (int i = 0; i < copies; ++i) {
        std::vector<headless::KeySet> copy = jittered(keys, rng);
        copy.resize(copy.size() + idleTicks, 0);
        const Outcome end = play(stage, copy);
        if (end.screen == game::Result && end.score >= data.clearPoint) ++wins;
    }
    return wins;
}

} // namespace kueruma::solver
