// A recording: the keys the game sampled on every timer tick, written as a replay script in
// runs of equal keys under header comments that say what was played.
#pragma once

#include "host/loop/key_latch.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace kueruma::record {

using loop::KeySet;

class Recording {
  public:
    void addTick(KeySet keys) { keys_.push_back(keys); }
    std::int64_t ticks() const { return static_cast<std::int64_t>(keys_.size()); }
    // Forgets the ticks after the first `ticks` (a practice rewind cut the timeline there).
    void cutAt(std::int64_t ticks) {
        if (ticks < this->ticks()) keys_.resize(static_cast<std::size_t>(ticks));
    }
    // Ticks [from, to) as script lines, each "COUNT KEYS" for a run of equal keys.
    std::string scriptLines(std::int64_t from, std::int64_t to) const;

  private:
    std::vector<KeySet> keys_;
};

} // namespace kueruma::record
