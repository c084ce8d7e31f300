// Practice mode's own hold: the game stands still and '.' lets one tick through at a time. It
// is kept apart from the rest of practice so that it can become the program's pause.
#pragma once

namespace kueruma::driver {

class PracticeHold {
  public:
    // '.': holds the game if it runs, and lets one tick through.
    void step() {
        held_ = true;
        stepAsked_ = true;
    }
    void release() { held_ = false; }
    bool held() const { return held_; }
    // Whether the tick now due is played (taking the step asked for).
    bool letTickThrough() {
        if (!held_) return true;
        const bool step = stepAsked_;
        stepAsked_ = false;
        return step;
    }

  private:
    bool held_ = false;
    bool stepAsked_ = false;
};

} // namespace kueruma::driver
