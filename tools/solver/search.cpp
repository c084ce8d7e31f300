#include "search.hpp"

#include "platform/headless/paint_targets.hpp"
#include "platform/headless/script.hpp"
#include "world/blocks.hpp"
#include "world/stages.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <unordered_set>

namespace kueruma::solver {

namespace {

using headless::KeySet;

constexpr KeySet L = headless::KeyLeft;
constexpr KeySet R = headless::KeyRight;
constexpr KeySet U = headless::KeyUp;
constexpr KeySet D = headless::KeyDown;
constexpr KeySet X = headless::KeyX;
constexpr KeySet Z = headless::KeyZ;

// The choices on each tick. F11 never helps; up and down matter only with a jump.
constexpr KeySet actions[] = {
    0,     R,     L, R | X, R | U | X, R | D | X, X,     U | X,
    D | X, R | Z, Z, L | Z, L | X,     L | U | X, L | R, R | X | Z,
};
constexpr int actionCount = static_cast<int>(sizeof actions / sizeof actions[0]);

// Ticks a finished stage needs to show the Result screen, and a few more to see it.
constexpr int ticksAfterEnd = 4;

struct Edge {
    int parent;
    KeySet keys;
};

struct Candidate {
    int parent;
    KeySet keys;
    double eval;
    std::uint64_t key;
    int slot;
};

std::uint64_t mix(std::uint64_t h, std::int64_t v) {
    h ^= static_cast<std::uint64_t>(v);
    return h * 0x100000001b3ull;
}

std::int64_t quantise(double v, double step) {
    return static_cast<std::int64_t>(std::floor(v / step));
}

// Children that agree on this are the same future: keep only the best of them.
std::uint64_t stateKey() {
    const game::PlayState& state = headless::state();
    const figure::Figure& f = state.figure;
    std::uint64_t h = 0xcbf29ce484222325ull;
    h = mix(h, quantise(f.posX, 1.0));
    h = mix(h, quantise(f.posY, 1.0));
    h = mix(h, quantise(f.velX, 1.0));
    h = mix(h, quantise(f.velY, 1.0));
    h = mix(h, quantise(f.bodyAngle, 0.05));
    h = mix(h, quantise(f.hipA + 2 * f.hipB + 4 * f.kneeA, 0.1));
    h = mix(h, f.jumpState);
    h = mix(h, f.pose);
    h = mix(h, f.kickTimer);
    h = mix(h, f.combo);
    std::uint64_t mask = 0;
    for (int i = 0; i < world::poolSize; ++i) {
        if (state.blockPool[static_cast<std::size_t>(i)].active) mask |= 1ull << i;
    }
    return mix(h, static_cast<std::int64_t>(mask));
}

// The right-most x of each block: once the figure is well past it, the block is as good as
// lost, for walking back costs more than it brings.
std::array<double, world::poolSize> blockRightEdges() {
    std::array<double, world::poolSize> right{};
    for (std::size_t i = 0; i < right.size(); ++i) {
        const world::Block& b = headless::state().blockPool[i];
        const double c = std::cos(b.angle);
        const double s = std::sin(b.angle);
        right[i] = std::max(
            {b.x, b.x + b.width * c, b.x - b.height * s, b.x + b.width * c - b.height * s});
    }
    return right;
}

constexpr double reachBehind = 40.0;

// How promising a running stage is: its score, plus `hope` times what the blocks still within
// reach would add if they all broke in the present combo, with the clear bonus (an upper
// bound: breaking a block costs nothing until a landing ends the combo or the figure leaves a
// block behind, and the loss shows then), a little for being under way, and a heavy charge
// when the goal can no longer be reached in time.
double evaluate(int ticksLeft, double hope, const std::array<double, world::poolSize>& right) {
    const game::PlayState& state = headless::state();
    const figure::Figure& f = state.figure;
    const game::GameState& gs = state.gameState;
    int reachable = 0;
    bool lost = false;
    for (int i = 0; i < gs.blockCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!state.blockPool[k].active) continue;
        if (right[k] > f.boxX - reachBehind) {
            ++reachable;
        } else {
            lost = true;
        }
    }
    const int c = f.combo;
    const int n = c + reachable;
    const double bonus = !lost && reachable > 0 ? 599 : 0;
    const double potential = 10.0 * (n * (n + 1) / 2 - c * (c + 1) / 2) + bonus;
    // A hopeful view already counts the combo; progress then only breaks ties, so a search can
    // afford to wait (as for the last stage, whose first block must not break in the opening
    // fall).
    const double progress = hope >= 1.0 ? 0.002 : 0.02;
    double e = f.score + hope * potential + progress * f.posX + (1.0 - hope) * 4.0 * f.combo;
    const double gap = gs.goalX - (f.boxX + f.boxWidth);
    if (gap > 12.0 * ticksLeft) e -= 1000.0 + gap;
    return e;
}

std::vector<KeySet> pathTo(const std::vector<Edge>& edges, int node) {
    std::vector<KeySet> keys;
    for (int n = node; n >= 0; n = edges[static_cast<std::size_t>(n)].parent) {
        keys.push_back(edges[static_cast<std::size_t>(n)].keys);
    }
    std::reverse(keys.begin(), keys.end());
    return keys;
}

struct BeamOutcome {
    Run run;
    bool found = false;
};

// One beam search of the given width; false when the clock ran out before it finished.
bool beamSearch(const SearchOptions& o, int width, double hope, std::uint64_t seed,
                std::chrono::steady_clock::time_point deadline, BeamOutcome& out) {
    headless::NullPaintTarget target;
    headless::boot(&target, o.stage);
    headless::holdKeys(0);
    headless::tick(); // the stage-intro tick
    const game::GameState& gs = headless::state().gameState;
    const int clearPoint = gs.clearPoint;
    const auto right = blockRightEdges();
    const int lastTick = static_cast<int>(gs.goalX / gs.scrollStep) + 2;

    std::vector<Edge> edges;
    edges.push_back({-1, 0}); // the intro tick
    for (KeySet keys : o.opening) {
        headless::holdKeys(keys);
        headless::tick();
        edges.push_back({static_cast<int>(edges.size()) - 1, keys});
    }
    const int firstTick = static_cast<int>(o.opening.size()) + 1;
    const std::size_t childSlots = static_cast<std::size_t>(width) * actionCount;
    std::vector<headless::Snapshot*> beam;
    std::vector<int> beamNode;
    // Every snapshot the search can hold at once: a full beam and all of its children.
    std::vector<headless::Snapshot*> spare;
    for (std::size_t i = 0; i < childSlots + static_cast<std::size_t>(width); ++i) {
        spare.push_back(headless::newSnapshot());
    }
    std::vector<headless::Snapshot*> children;
    beam.push_back(spare.back());
    spare.pop_back();
    headless::save(*beam[0]);
    beamNode.push_back(static_cast<int>(edges.size()) - 1);

    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> noise(0.0, 1.0);
    std::vector<Candidate> candidates;
    std::unordered_set<std::uint64_t> seen;
    bool finished = true;
    int bestScore = out.found ? out.run.score : std::numeric_limits<int>::min();

    for (int t = firstTick; t <= lastTick && !beam.empty(); ++t) {
        if (std::chrono::steady_clock::now() > deadline) {
            finished = false;
            break;
        }
        candidates.clear();
        children.clear();
        int slot = 0;
        for (std::size_t b = 0; b < beam.size(); ++b) {
            for (KeySet keys : actions) {
                headless::restore(*beam[b]);
                headless::holdKeys(keys);
                headless::tick();
                const figure::Figure& f = headless::state().figure;
                if (!headless::state().gameState.running) {
                    // The stage is over: its score is final.
                    if (f.score > bestScore) {
                        bestScore = f.score;
                        edges.push_back({beamNode[b], keys});
                        out.run.keys = pathTo(edges, static_cast<int>(edges.size()) - 1);
                        out.run.score = f.score;
                        out.found = true;
                        if (o.verbose) {
                            std::fprintf(stderr, "  width %d: score %d at tick %d\n", width,
                                         f.score, t + 1);
                        }
                    }
                    continue;
                }
                children.push_back(spare.back());
                spare.pop_back();
                headless::save(*children.back());
                candidates.push_back({static_cast<int>(b), keys,
                                      evaluate(lastTick - t, hope, right) + 0.5 * noise(rng),
                                      stateKey(), slot});
                ++slot;
            }
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const Candidate& a, const Candidate& b) { return a.eval > b.eval; });
        seen.clear();
        std::vector<headless::Snapshot*> nextBeam;
        std::vector<int> nextNode;
        for (const Candidate& c : candidates) {
            if (static_cast<int>(nextBeam.size()) >= width) break;
            if (!seen.insert(c.key).second) continue;
            edges.push_back({beamNode[static_cast<std::size_t>(c.parent)], c.keys});
            nextNode.push_back(static_cast<int>(edges.size()) - 1);
            nextBeam.push_back(children[static_cast<std::size_t>(c.slot)]);
            children[static_cast<std::size_t>(c.slot)] = nullptr;
        }
        for (headless::Snapshot* s : children) {
            if (s != nullptr) spare.push_back(s);
        }
        for (headless::Snapshot* s : beam) spare.push_back(s);
        beam.swap(nextBeam);
        beamNode.swap(nextNode);
        if (bestScore >= clearPoint && !o.best) break;
    }
    for (headless::Snapshot* s : beam) headless::deleteSnapshot(s);
    for (headless::Snapshot* s : spare) headless::deleteSnapshot(s);
    return finished;
}

} // namespace

SearchResult solveStage(const SearchOptions& o) {
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(o.seconds));
    SearchResult result;
    BeamOutcome outcome;
    const int clearPoint = world::stageData(o.stage).clearPoint;
    std::mt19937_64 seeds(o.seed);
    // Wider and wider beams, each tried with a greedy and a hopeful view of the combo.
    for (int round = 0;; ++round) {
        const int width = static_cast<int>(32 * std::pow(1.5, round / 2));
        const double hope = round % 2 == 0 ? 1.0 : 0.5;
        ++result.beamsTried;
        if (o.verbose) std::fprintf(stderr, "beam width %d, hope %.1f\n", width, hope);
        const bool finished = beamSearch(o, width, hope, seeds(), deadline, outcome);
        if (outcome.found && outcome.run.score >= clearPoint && !o.best) break;
        if (!finished || std::chrono::steady_clock::now() > deadline) break;
    }
    if (outcome.found) {
        for (int i = 0; i < ticksAfterEnd; ++i) outcome.run.keys.push_back(0);
        const Outcome end = play(o.stage, outcome.run.keys);
        outcome.run.score = end.score;
        outcome.run.reachedResult = end.screen == game::Result;
    }
    result.best = outcome.run;
    result.won = outcome.found && result.best.reachedResult && result.best.score >= clearPoint;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

Outcome play(int stage, const std::vector<KeySet>& keys) {
    headless::NullPaintTarget target;
    headless::boot(&target, stage);
    std::int64_t ticks = 0;
    for (KeySet k : keys) {
        headless::holdKeys(k);
        if (!headless::tick()) break;
        ++ticks;
    }
    return currentOutcome(ticks);
}

std::string toScript(const std::vector<KeySet>& keys) {
    std::string text;
    std::size_t i = 0;
    while (i < keys.size()) {
        std::size_t j = i;
        while (j < keys.size() && keys[j] == keys[i]) ++j;
        text += std::to_string(j - i) + " " + headless::keyLetters(keys[i]) + "\n";
        i = j;
    }
    return text;
}

} // namespace kueruma::solver
