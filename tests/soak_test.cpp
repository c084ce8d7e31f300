// A long soak of random play: a seeded player mashes, holds and types its way through every
// screen and all nine stages, plugs and pulls joysticks, and quits and restarts the program,
// while every tick is checked against the rules that the game state always keeps.
#include "support/game_driver.hpp"

#include "seam/machine.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

namespace kueruma {
namespace {

using support::gameState;
using namespace headless;
using namespace loop;

// Ticks per shard; the shards run side by side under ctest and together pass a million.
constexpr std::int64_t ticksPerShard = 260'000;
constexpr int shardCount = 4;

// The codes of stages 2..9 (stage 1 opens with 0000).
constexpr std::array<int, 9> passCodes = {0, 318, 427, 2836, 6081, 3417, 7265, 5902, 9357};

// splitmix64: small, fast and the same on every machine.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }

  private:
    std::uint64_t state_;
};

// Empty when the state keeps every rule; otherwise the first one it breaks.
std::string brokenRule(const TickReport& report) {
    const game::GameState& g = gameState;
    const figure::Figure& f = support::figure;
    std::ostringstream why;
    if (g.screen < game::Play || g.screen > game::Result) why << "screen " << g.screen;
    if (g.stageIndex < 0 || g.stageIndex > 8) why << "stageIndex " << g.stageIndex;
    if (g.keypadCell < 0 || g.keypadCell > 14) why << "keypadCell " << g.keypadCell;
    const int cursorMax = g.screen == game::Title       ? 3
                          : g.screen == game::Result    ? 1
                          : g.screen == game::PassEntry ? 3
                                                        : -1;
    if (cursorMax >= 0 && (g.cursor < 0 || g.cursor > cursorMax)) {
        why << "cursor " << g.cursor << " on screen " << g.screen;
    }
    for (int d : g.passDigits) {
        if (d < 0 || d > 9) why << "pass digit " << d;
    }
    if (g.blockCount != 30) why << "blockCount " << g.blockCount;
    auto finite = [&](const char* name, double v) {
        if (!std::isfinite(v)) why << name << " " << v << " ";
    };
    finite("posX", f.posX);
    finite("posY", f.posY);
    finite("velX", f.velX);
    finite("velY", f.velY);
    finite("bodyAngle", f.bodyAngle);
    finite("boxX", f.boxX);
    finite("boxY", f.boxY);
    finite("boxWidth", f.boxWidth);
    finite("boxHeight", f.boxHeight);
    for (int j = 0; j < figure::jointCount; ++j) {
        finite("jointX", f.jointX[static_cast<std::size_t>(j)]);
        finite("jointY", f.jointY[static_cast<std::size_t>(j)]);
    }
    if (report.pensCreated != report.pensDeleted) {
        why << "paint made " << report.pensCreated << " pens and deleted " << report.pensDeleted;
    }
    const unsigned period = timerPeriodMs();
    if (period != 50 && period != 100 && period != 200) why << "timer period " << period;
    return why.str();
}

// The random player. It plans a run of ticks at a time and sometimes acts between ticks:
// joysticks plugged, pulled or moved, the program restarted.
class Player {
  public:
    explicit Player(std::uint64_t seed) : random_(seed) {}

    KeySet nextKeys() {
        if (planned_ == planLength_) plan();
        return plan_[planned_++];
    }

    void maybeTouchJoysticks() {
        if (!random_.chance(2)) return;
        VirtualJoystick& stick = joystick(static_cast<unsigned>(random_.below(3)));
        switch (random_.below(4)) {
        case 0:
            stick.plugged = !stick.plugged;
            break;
        case 1:
            setJoystickDeviceCount(static_cast<unsigned>(random_.below(4)));
            break;
        default:
            stick.x = static_cast<std::uint32_t>(random_.below(3)) * 0x7FFF;
            stick.y = static_cast<std::uint32_t>(random_.below(3)) * 0x7FFF;
            stick.buttons = static_cast<std::uint32_t>(random_.below(16));
            break;
        }
    }

    // A fresh start: at the title, or straight into a stage as --stage does.
    void restart(PaintTarget& target) {
        planned_ = planLength_ = 0;
        boot(&target, random_.chance(40) ? random_.below(9) : -1);
    }

  private:
    static constexpr int maxPlan = 256;

    void push(KeySet keys, int count = 1) {
        for (int i = 0; i < count && planLength_ < maxPlan; ++i) plan_[planLength_++] = keys;
    }
    void press(KeySet keys) {
        push(keys);
        push(0);
    }
    KeySet randomKeys() {
        KeySet keys = static_cast<KeySet>(random_.below(64));
        if (random_.chance(1)) keys |= KeyF11;
        return keys;
    }
    void goToCell(int cell) {
        for (int i = 0; i < 5; ++i) press(KeyUp);
        for (int row = 0; row < cell / 3; ++row) press(KeyDown);
        if (cell % 3 == 0) press(KeyLeft);
        if (cell % 3 == 2) press(KeyRight);
    }
    // From the title or the keypad: a code from the table, now and then a wrong one.
    void typeCode() {
        if (gameState.screen == game::Title) {
            for (int i = 0; i < 4; ++i) press(KeyUp);
            press(KeyX);
        }
        int code = passCodes[static_cast<std::size_t>(random_.below(9))];
        if (random_.chance(15)) code = random_.below(10000);
        for (int i = 0; i < 4; ++i) {
            goToCell(12);
            press(KeyX);
        }
        for (int divisor = 1000; divisor > 0; divisor /= 10) {
            const int digit = code / divisor % 10;
            goToCell(digit == 0 ? 13 : digit + 2);
            press(KeyX);
        }
        goToCell(1);
        press(KeyX);
    }
    void playLikeARunner() {
        const int length = 20 + random_.below(200);
        const int jumpEvery = 8 + random_.below(30);
        for (int i = 0; i < length; ++i) {
            KeySet keys = random_.chance(85) ? KeyRight : randomKeys() & ~KeyF11;
            if (i % jumpEvery < 6) keys |= KeyX;
            if (random_.chance(10)) keys |= KeyZ;
            push(keys);
        }
    }

    void plan() {
        planned_ = planLength_ = 0;
        const bool inMenus = gameState.screen == game::Title || gameState.screen == game::PassEntry;
        switch (random_.below(inMenus ? 6 : 5)) {
        case 0: // anything at all, a tick at a time
            for (int i = random_.below(40); i >= 0; --i) push(randomKeys());
            break;
        case 1: // one set of keys held for a while
            push(randomKeys(), 1 + random_.below(80));
            break;
        case 2: // X and Z mashed, with or without arrows
        {
            const KeySet arrows = static_cast<KeySet>(random_.below(16));
            for (int i = random_.below(60); i >= 0; --i) {
                push(static_cast<KeySet>(arrows | (random_.chance(50) ? KeyX : KeyZ)));
                if (random_.chance(50)) push(arrows);
            }
            break;
        }
        case 3:
            playLikeARunner();
            break;
        case 4: // nothing, or a give-up
            push(random_.chance(10) ? KeyF11 : 0, 1 + random_.below(30));
            break;
        default:
            typeCode();
            break;
        }
        if (planLength_ == 0) push(0);
    }

    Random random_;
    std::array<KeySet, maxPlan> plan_{};
    int planned_ = 0;
    int planLength_ = 0;
};

struct Coverage {
    std::array<std::int64_t, 5> ticksOnScreen{};
    std::array<bool, 9> stagesPlayed{};
    std::int64_t restarts = 0;
    std::int64_t blocksBroken = 0;
};

class Soak : public ::testing::TestWithParam<int> {};

TEST_P(Soak, EveryTickKeepsTheStateRules) {
    const std::uint64_t seed = 0x6B75657275ULL + static_cast<std::uint64_t>(GetParam());
    NullPaintTarget target;
    Player player(seed);
    Coverage seen;
    setJoystickDeviceCount(2);
    joystick(0).plugged = true;
    player.restart(target);
    for (std::int64_t n = 1; n <= ticksPerShard; ++n) {
        player.maybeTouchJoysticks();
        holdKeys(player.nextKeys());
        const bool playedBefore = gameState.screen == game::Play;
        std::int32_t blocksBefore = 0;
        if (playedBefore) {
            for (const world::Block& b : support::blockPool) blocksBefore += b.active ? 1 : 0;
        }
        if (!tick() || quitPosted()) {
            ++seen.restarts;
            player.restart(target);
            continue;
        }
        const std::string broken = brokenRule(lastReport());
        ASSERT_TRUE(broken.empty()) << "seed " << seed << ", tick " << n << ": " << broken;
        seen.ticksOnScreen[static_cast<std::size_t>(gameState.screen)] += 1;
        if (gameState.screen == game::Play) {
            seen.stagesPlayed[static_cast<std::size_t>(gameState.stageIndex)] = true;
            std::int32_t blocksAfter = 0;
            for (const world::Block& b : support::blockPool) blocksAfter += b.active ? 1 : 0;
            if (playedBefore) seen.blocksBroken += blocksBefore - blocksAfter;
        }
    }
    // The player went everywhere, or the rules were checked on too little.
    for (std::size_t s = 0; s < seen.ticksOnScreen.size(); ++s) {
        EXPECT_GT(seen.ticksOnScreen[s], 100) << "screen " << s;
    }
    for (std::size_t stage = 0; stage < seen.stagesPlayed.size(); ++stage) {
        EXPECT_TRUE(seen.stagesPlayed[stage]) << "stage index " << stage;
    }
    EXPECT_GT(seen.restarts, 10);
    EXPECT_GT(seen.blocksBroken, 100);
    std::printf("ticks on Play %lld, Title %lld, PassEntry %lld, StageIntro %lld, Result %lld; "
                "%lld restarts, %lld blocks broken\n",
                static_cast<long long>(seen.ticksOnScreen[0]),
                static_cast<long long>(seen.ticksOnScreen[1]),
                static_cast<long long>(seen.ticksOnScreen[2]),
                static_cast<long long>(seen.ticksOnScreen[3]),
                static_cast<long long>(seen.ticksOnScreen[4]),
                static_cast<long long>(seen.restarts), static_cast<long long>(seen.blocksBroken));
    RecordProperty("restarts", static_cast<int>(seen.restarts));
    RecordProperty("blocksBroken", static_cast<int>(seen.blocksBroken));
    RecordProperty("playTicks", static_cast<int>(seen.ticksOnScreen[game::Play]));
}

INSTANTIATE_TEST_SUITE_P(Shards, Soak, ::testing::Range(0, shardCount));

} // namespace
} // namespace kueruma
