#include "search.hpp"

#include "worker_pool.hpp"

#include "backends/headless/headless.hpp"
#include "render/paint.hpp"
#include "world/blocks.hpp"
#include "world/stages.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <unordered_set>

namespace kueruma::solver {

namespace {

using loop::KeySet;

constexpr KeySet L = loop::KeyLeft;
constexpr KeySet R = loop::KeyRight;
constexpr KeySet U = loop::KeyUp;
constexpr KeySet D = loop::KeyDown;
constexpr KeySet X = loop::KeyX;
constexpr KeySet Z = loop::KeyZ;

// The choices on each tick. F11 never helps; up and down matter only with a jump.
constexpr KeySet actions[] = {
    0,     R,     L, R | X, R | U | X, R | D | X, X,     U | X,
    D | X, R | Z, Z, L | Z, L | X,     L | U | X, L | R, R | X | Z,
};
constexpr std::size_t actionCount = sizeof actions / sizeof actions[0];

// Ticks a finished stage needs to show the Result screen, and a few more to see it.
constexpr int ticksAfterEnd = 4;

// One choice of keys and the ticks it was held, after the choice at `parent`.
struct Edge {
    int parent;
    KeySet keys;
    int ticks;
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
    const double bonus = !lost && reachable > 0 ? render::clearBonus : 0;
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
        const Edge& e = edges[static_cast<std::size_t>(n)];
        keys.insert(keys.end(), static_cast<std::size_t>(e.ticks), e.keys);
    }
    std::reverse(keys.begin(), keys.end());
    return keys;
}

// A number in [0, 1) that every standard library draws alike from the same generator.
double unitNoise(std::mt19937_64& rng) {
    return static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

// Where every search thread's paints go. It draws nothing and keeps nothing, and it outlives
// them all, so a snapshot saved on one thread is sound to restore on another: the runtime's
// window is each thread's own value and the play state holds no pointer.
headless::NullPaintTarget searchTarget;

// The work done so far, against the budget and the clock.
struct Effort {
    std::int64_t ticks = 0;
    // Zero when only the budget counts.
    double seconds = 0;
    std::chrono::steady_clock::time_point deadline;
    std::atomic<bool> cutShort{false};

    // True once the clock has run out; asked by every thread, as often as every child.
    bool pastDeadline() {
        if (seconds > 0 && !cutShort && std::chrono::steady_clock::now() > deadline) {
            cutShort = true;
        }
        return cutShort;
    }
    bool spent(std::int64_t budget) { return ticks >= budget || pastDeadline(); }
};

struct BeamOutcome {
    Run run;
    bool found = false;
};

// One beam search of one width. Every step gives each state of the beam every action, held
// for `hold` ticks; the children are worked out on several threads into slots of their own,
// then read in slot order, so the thread count changes nothing but the speed.
class BeamSearch {
  public:
    BeamSearch(const SearchOptions& o, int width, double hope, std::uint64_t seed, Effort& work,
               WorkerPool& pool, BeamOutcome& out)
        : o_(o), width_(width), hope_(hope), rng_(seed), work_(work), pool_(pool), out_(out) {}
    ~BeamSearch() {
        for (headless::Snapshot* s : beam_) headless::deleteSnapshot(s);
        for (headless::Snapshot* s : spare_) headless::deleteSnapshot(s);
    }
    BeamSearch(const BeamSearch&) = delete;
    BeamSearch& operator=(const BeamSearch&) = delete;

    // False when the budget or the clock ran out before the search finished.
    bool run();
    // False when the stage left the search no tick to choose (the opening outlasted it).
    bool searched() const { return searched_; }

  private:
    struct Child {
        double eval = 0;
        std::uint64_t key = 0;
        int ticks = 0;      // ticks played; fewer than the hold when the stage ended
        bool ended = false; // the stage is over: its score is final
        int score = 0;
    };

    bool start();
    bool playChild(std::size_t slot, Child& c) const;
    void expand(std::size_t slot, int tick);
    bool step(int tick);
    void takeWins(int tick);
    void selectBeam();

    const SearchOptions& o_;
    const int width_;
    const double hope_;
    std::mt19937_64 rng_;
    Effort& work_;
    WorkerPool& pool_;
    BeamOutcome& out_;
    int lastTick_ = 0;
    std::array<double, world::poolSize> right_{};
    std::vector<Edge> edges_;
    std::vector<headless::Snapshot*> beam_;
    std::vector<int> beamNode_;
    // Every snapshot the search can hold at once: this beam and the next.
    std::vector<headless::Snapshot*> spare_;
    std::vector<Child> children_;
    std::vector<double> noise_;
    int bestScore_ = 0;
    bool searched_ = false;
};

// Plays the stage intro and the opening; false when the stage is over by then, its score
// then final and taken as this search's outcome.
bool BeamSearch::start() {
    headless::boot(&searchTarget, o_.stage);
    headless::holdKeys(0);
    headless::tick(); // the stage-intro tick
    const game::GameState& gs = headless::state().gameState;
    right_ = blockRightEdges();
    lastTick_ = static_cast<int>(gs.goalX / gs.scrollStep) + 2;
    edges_.push_back({-1, 0, 1}); // the intro tick
    for (KeySet keys : o_.opening) {
        headless::holdKeys(keys);
        headless::tick();
        edges_.push_back({static_cast<int>(edges_.size()) - 1, keys, 1});
        if (!gs.running) break;
    }
    // Every search plays the opening again: it is work like any other.
    work_.ticks += static_cast<std::int64_t>(edges_.size());
    bestScore_ = out_.found ? out_.run.score : std::numeric_limits<int>::min();
    if (!gs.running) {
        if (headless::state().figure.score > bestScore_) {
            out_.run.keys = pathTo(edges_, static_cast<int>(edges_.size()) - 1);
            out_.run.score = headless::state().figure.score;
            out_.found = true;
        }
        return false;
    }
    const std::size_t slots = static_cast<std::size_t>(width_) * 2;
    for (std::size_t i = 0; i < slots; ++i) spare_.push_back(headless::newSnapshot());
    beam_.push_back(spare_.back());
    spare_.pop_back();
    headless::save(*beam_[0]);
    beamNode_.push_back(static_cast<int>(edges_.size()) - 1);
    return true;
}

// Plays the child in `slot` from its parent: false when the stage ended during the hold.
bool BeamSearch::playChild(std::size_t slot, Child& c) const {
    headless::restore(*beam_[slot / actionCount]);
    headless::holdKeys(actions[slot % actionCount]);
    for (c.ticks = 1; c.ticks <= o_.hold; ++c.ticks) {
        headless::tick();
        if (!headless::state().gameState.running) return false;
    }
    c.ticks = o_.hold;
    return true;
}

void BeamSearch::expand(std::size_t slot, int tick) {
    Child& c = children_[slot];
    if (work_.pastDeadline()) return;
    if (!playChild(slot, c)) {
        c.ended = true;
        c.score = headless::state().figure.score;
        return;
    }
    const int ticksLeft = lastTick_ - (tick + o_.hold - 1);
    c.eval = evaluate(ticksLeft, hope_, right_);
    c.key = stateKey();
}

// False when the clock ran out halfway: the step's children are then not all known.
bool BeamSearch::step(int tick) {
    const std::size_t n = beam_.size() * actionCount;
    children_.assign(n, Child{});
    noise_.resize(n);
    for (double& v : noise_) v = unitNoise(rng_);
    pool_.run(n, [this, tick](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) expand(i, tick);
    });
    for (const Child& c : children_) work_.ticks += c.ticks;
    if (work_.pastDeadline()) return false;
    takeWins(tick);
    selectBeam();
    return true;
}

void BeamSearch::takeWins(int tick) {
    for (std::size_t i = 0; i < children_.size(); ++i) {
        const Child& c = children_[i];
        if (!c.ended || c.score <= bestScore_) continue;
        bestScore_ = c.score;
        edges_.push_back({beamNode_[i / actionCount], actions[i % actionCount], c.ticks});
        out_.run.keys = pathTo(edges_, static_cast<int>(edges_.size()) - 1);
        out_.run.score = c.score;
        out_.found = true;
        if (o_.verbose) {
            std::fprintf(stderr, "  width %d: score %d at tick %d\n", width_, c.score,
                         tick + c.ticks - 1);
        }
    }
}

void BeamSearch::selectBeam() {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < children_.size(); ++i) {
        if (!children_[i].ended) order.push_back(i);
    }
    const auto eval = [this](std::size_t i) { return children_[i].eval + 0.5 * noise_[i]; };
    // Ties go to the earlier slot, so the order is the same in every standard library.
    std::sort(order.begin(), order.end(), [&eval](std::size_t a, std::size_t b) {
        const double ea = eval(a);
        const double eb = eval(b);
        return ea != eb ? ea > eb : a < b;
    });
    std::unordered_set<std::uint64_t> seen;
    std::vector<std::size_t> chosen;
    std::vector<int> nextNode;
    for (std::size_t i : order) {
        if (static_cast<int>(chosen.size()) >= width_) break;
        if (!seen.insert(children_[i].key).second) continue;
        chosen.push_back(i);
        edges_.push_back({beamNode_[i / actionCount], actions[i % actionCount], o_.hold});
        nextNode.push_back(static_cast<int>(edges_.size()) - 1);
    }
    // Saving every child would copy far more than playing the chosen few again.
    std::vector<headless::Snapshot*> nextBeam(chosen.size());
    for (headless::Snapshot*& s : nextBeam) {
        s = spare_.back();
        spare_.pop_back();
    }
    pool_.run(chosen.size(), [&](std::size_t begin, std::size_t end) {
        Child replayed;
        for (std::size_t j = begin; j < end; ++j) {
            playChild(chosen[j], replayed);
            headless::save(*nextBeam[j]);
        }
    });
    work_.ticks += static_cast<std::int64_t>(chosen.size()) * o_.hold;
    for (headless::Snapshot* s : beam_) spare_.push_back(s);
    beam_.swap(nextBeam);
    beamNode_.swap(nextNode);
}

bool BeamSearch::run() {
    if (!start()) return true;
    const int clearPoint = headless::state().gameState.clearPoint;
    const int firstTick = static_cast<int>(o_.opening.size()) + 1;
    for (int t = firstTick; t <= lastTick_ && !beam_.empty(); t += o_.hold) {
        if (work_.spent(o_.budget) || !step(t)) return false;
        searched_ = true;
        if (bestScore_ >= clearPoint && !o_.best) break;
    }
    return true;
}

} // namespace

SearchResult solveStage(const SearchOptions& o) {
    const auto start = std::chrono::steady_clock::now();
    Effort work;
    work.seconds = o.seconds;
    work.deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(o.seconds));
    SearchResult result;
    BeamOutcome outcome;
    const int clearPoint = world::stageData(o.stage).clearPoint;
    std::mt19937_64 seeds(o.seed);
    WorkerPool pool(o.threads);
    // Wider and wider beams, each tried with a greedy and a hopeful view of the combo.
    for (int round = 0;; ++round) {
        const int width = static_cast<int>(32 * std::pow(1.5, round / 2));
        const double hope = round % 2 == 0 ? 1.0 : 0.5;
        ++result.beamsTried;
        if (o.verbose) std::fprintf(stderr, "beam width %d, hope %.1f\n", width, hope);
        BeamSearch search(o, width, hope, seeds(), work, pool, outcome);
        const bool finished = search.run();
        if (outcome.found && outcome.run.score >= clearPoint && !o.best) break;
        // A wider beam has no more ticks to choose than this one had.
        if (!finished || !search.searched() || work.spent(o.budget)) break;
    }
    if (outcome.found) {
        for (int i = 0; i < ticksAfterEnd; ++i) outcome.run.keys.push_back(0);
        const Outcome end = play(o.stage, outcome.run.keys);
        outcome.run.score = end.score;
        outcome.run.reachedResult = end.screen == game::Result;
    }
    result.best = outcome.run;
    result.won = outcome.found && result.best.reachedResult && result.best.score >= clearPoint;
    result.ticksSimulated = work.ticks;
    result.cutShort = work.cutShort;
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

} // namespace kueruma::solver
