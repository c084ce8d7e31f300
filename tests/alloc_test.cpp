// Playing never touches the heap: once the program has started, a whole visit from the title
// through the keypad, a stage with a break and the clear animation, the result menu and back
// allocates nothing, whether the paints draw pixels or not.
#include "support/game_driver.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>

namespace {

// Counted only while a test is watching, so the test framework's own bookkeeping between
// ticks is not mistaken for the game's.
std::atomic<bool> watching{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
    if (watching.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t align) {
    if (watching.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    const auto a = static_cast<std::size_t>(align);
    const std::size_t rounded = (size + a - 1) / a * a;
    if (void* p = std::aligned_alloc(a, rounded == 0 ? a : rounded)) return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t align) {
    return allocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return allocateAligned(size, align);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace kueruma {
namespace {

using support::gameState;
using namespace headless;
using namespace loop;

constexpr int tickLimit = 5000;

// One whole visit, ticked under watch; what it saw along the way, for the checks afterwards.
class Visit {
  public:
    explicit Visit(PaintTarget& target) : target_(target) {}

    long allocationsAfterBoot() const { return allocations_; }
    bool heardBreak() const { return heardBreak_; }
    bool heardClear() const { return heardClear_; }
    bool sawScreen(game::Screen s) const { return seen_[s]; }
    int unbalancedPaints() const { return unbalancedPaints_; }

    void play() {
        boot(&target_);
        const long before = allocations.load();
        watching = true;
        titleToKeypad();
        typeWrongThenRightCode();
        playStageBreakingEverything();
        replayAndGiveUp();
        backToTitleAndExit();
        watching = false;
        allocations_ = allocations.load() - before;
    }

  private:
    void step(KeySet keys, int count = 1) {
        holdKeys(keys);
        for (int i = 0; i < count && !quitPosted(); ++i) note(tick());
    }
    void press(KeySet keys) {
        step(keys);
        step(0);
    }
    void note(bool ticked) {
        if (!ticked) return;
        const TickReport& r = lastReport();
        seen_[gameState.screen] = true;
        if (r.pensCreated != r.pensDeleted) ++unbalancedPaints_;
        for (int i = 0; i < r.soundCount; ++i) {
            const std::string_view sound = r.sounds[i];
            heardBreak_ = heardBreak_ || sound == "WavF_02.wav";
            heardClear_ = heardClear_ || sound == "WavF_03.wav";
        }
    }
    template <class Done> void stepUntil(KeySet keys, Done done) {
        for (int i = 0; i < tickLimit && !done() && !quitPosted(); ++i) step(keys);
    }

    void titleToKeypad() {
        press(KeyDown);
        press(KeyDown);
        press(KeyUp);
        press(KeyUp);
        press(KeyX); // Admission
    }

    void goToCell(int cell) {
        for (int i = 0; i < 5; ++i) press(KeyUp); // every cell reaches "Enter" going up
        for (int row = 0; row < cell / 3; ++row) press(KeyDown);
        if (cell % 3 == 0) press(KeyLeft);
        if (cell % 3 == 2) press(KeyRight);
    }
    void typeDigit(int digit) {
        goToCell(digit == 0 ? 13 : digit + 2);
        press(KeyX);
    }
    void typeCode(int a, int b, int c, int d) {
        for (int i = 0; i < 4; ++i) {
            goToCell(12); // back to the first digit
            press(KeyX);
        }
        typeDigit(a);
        typeDigit(b);
        typeDigit(c);
        typeDigit(d);
        goToCell(1);
        press(KeyX);
    }
    void typeWrongThenRightCode() {
        typeCode(1, 1, 1, 1);
        typeCode(0, 3, 1, 8); // stage 2
    }

    // Runs and kicks until a block breaks, then leaves one block standing around the figure
    // (as if the rest had been broken) so that the next kick breaks the last one.
    void playStageBreakingEverything() {
        stepUntil(0, [] { return gameState.screen == game::Play; });
        auto anyBroken = [] {
            for (const world::Block& b : support::blockPool)
                if (!b.active) return true;
            return false;
        };
        for (int i = 0; i < 60 && !anyBroken() && gameState.running; ++i) {
            step(i % 8 == 0 ? KeyRight | KeyZ : KeyRight);
        }
        for (std::size_t k = 1; k < support::blockPool.size(); ++k) {
            if (support::blockPool[k].active) {
                support::blockPool[k].active = false;
                support::blockPool[k].breakTimer = 0;
            }
        }
        const figure::Figure& f = support::figure;
        support::blockPool[0].active = true;
        support::blockPool[0].set(f.posX - 100.0, f.posY - 100.0, 240.0, 300.0, 0.0);
        stepUntil(KeyZ, [] { return gameState.allCleared; });
        step(0, 50); // the debris of the last block runs out
        stepUntil(KeyRight, [] { return gameState.screen == game::Result; });
    }

    void replayAndGiveUp() {
        press(KeyDown);
        press(KeyUp);
        press(KeyX); // Replay
        stepUntil(0, [] { return gameState.screen == game::Play; });
        step(KeyRight | KeyX, 20);
        step(KeyF11);
        stepUntil(0, [] { return gameState.screen == game::Result; });
    }

    void backToTitleAndExit() {
        press(KeyDown);
        press(KeyX); // OtherStage
        press(KeyZ); // back to the title
        for (int i = 0; i < 3; ++i) press(KeyDown);
        press(KeyX); // Exit
    }

    PaintTarget& target_;
    long allocations_ = -1;
    bool heardBreak_ = false;
    bool heardClear_ = false;
    bool seen_[5] = {};
    int unbalancedPaints_ = 0;
};

void expectNoAllocationWhilePlaying(PaintTarget& target) {
    Visit visit(target);
    visit.play();
    // The visit went everywhere it meant to, or a zero would prove little.
    EXPECT_TRUE(visit.sawScreen(game::PassEntry));
    EXPECT_TRUE(visit.sawScreen(game::StageIntro));
    EXPECT_TRUE(visit.sawScreen(game::Play));
    EXPECT_TRUE(visit.sawScreen(game::Result));
    EXPECT_TRUE(visit.heardBreak());
    EXPECT_TRUE(visit.heardClear());
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(visit.unbalancedPaints(), 0);
    EXPECT_EQ(visit.allocationsAfterBoot(), 0);
}

TEST(NoAllocation, TheCounterSeesAllocations) {
    static int* volatile kept = nullptr;
    watching = true;
    const long before = allocations.load();
    kept = new int(7);
    watching = false;
    delete kept;
    EXPECT_EQ(allocations.load() - before, 1);
}

TEST(NoAllocation, WholeVisitWithoutPixels) {
    NullPaintTarget target;
    expectNoAllocationWhilePlaying(target);
}

TEST(NoAllocation, WholeVisitRasterised) {
    auto target = std::make_unique<RasterPaintTarget>();
    expectNoAllocationWhilePlaying(*target);
}

} // namespace
} // namespace kueruma
