// A script's keys as a backend's async key queries answer them: held through each tick, and a
// key newly held reads as pressed once, as the headless runner holds them.
#pragma once

#include "files/script/script.hpp"
#include "host/loop/key_latch.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kueruma::record {

class KeyFeed {
  public:
    KeyFeed() = default;
    explicit KeyFeed(std::vector<script::Step> steps);
    // True while a tick of the script is left to hold.
    bool active() const { return step_ < steps_.size(); }
    // Moves on to the next tick's keys (call once before every tick, the first one too).
    void nextTick();
    // What the async key query answers for `virtualKey` during this tick.
    short answer(int virtualKey) { return latch_.query(virtualKey); }

  private:
    std::vector<script::Step> steps_;
    std::size_t step_ = 0;
    std::int32_t usedOfStep_ = 0;
    bool started_ = false;
    loop::KeyLatch latch_;
};

} // namespace kueruma::record
