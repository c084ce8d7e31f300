// The states the benchmarks measure from: a busy moment of play, built once and restored
// before every iteration so that each iteration does the same work.
#pragma once

#include "backends/headless/headless.hpp"

#include <cstdint>

namespace kueruma::bench {

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

} // namespace kueruma::bench
