// The states the benchmarks measure from: a busy moment of play, built once and restored
// before every iteration so that each iteration does the same work.
#pragma once

#include "backends/headless/headless.hpp"

#include <cstdint>
#include <vector>

namespace kueruma::bench {

// The previous release's figures on the build machine (2-core AMD EPYC, KVM), before our own
// trigonometry was made faster, for the ratios the benchmarks report against them.
struct PreviousRelease {
    static constexpr double busyTickSeconds = 1.48e-6;
    static constexpr double wholeStageTicksPerSecond = 680e3;
};

// A copy of the headless program (play state, clock, timer and keys) to go back to.
class SavedState {
  public:
    SavedState() : snapshot_(headless::newSnapshot()) {}
    ~SavedState() { headless::deleteSnapshot(snapshot_); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

    void save() { headless::save(*snapshot_); }
    void restore() const { headless::restore(*snapshot_); }

  private:
    headless::Snapshot* snapshot_;
};

// The last stage in play, the figure in the air among its stacked blocks, all 30 active and
// the view scrolled so that figure and blocks are on screen; the right arrow and Z held.
void enterBusyPlay(headless::PaintTarget& target);

// On top of the busy state: one block still active, the other 29 breaking apart (timers
// spread over the debris animation), every block reported cleared (which makes the debris
// denser) and a hit just scored, so the next paint draws the hit flash over all that debris.
void addHitFlashOverDebris();

// A player who runs right, jumps every 24 ticks (holding X through the double jump) and kicks
// every 16: blocks break, debris flies, the stage ends at the goal or by the scrolling view.
loop::KeySet playerKeys(std::int64_t tick);

// As above with no block left: the hit flash runs into the clear animation.
void addClearAnimation();

// The middle one of passes timed in turn (a busy machine's noise falls on some passes only).
double median(std::vector<double> values);

} // namespace kueruma::bench
