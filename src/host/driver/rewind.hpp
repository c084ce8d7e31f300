// The rewind ring of practice mode: the play state as it stood before each of the last ticks,
// with what the program needs beside it to go on from there (its timer's period, how many
// ticks it had played). A fixed number of copies, allocated once: memory stays flat however long
// the player rewinds or plays.
#pragma once

#include "game/play_state.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kueruma::driver {

struct RewindFrame {
    game::PlayState state;
    unsigned timerMs = 0;
    std::int64_t ticks = 0; // ticks played before this one
};

// 60 s of play at the fastest timer (50 ms), and a little more.
inline constexpr std::size_t rewindFrames = 1280;

class RewindRing {
  public:
    explicit RewindRing(std::size_t capacity = rewindFrames) : frames_(capacity) {}
    // Keeps a frame, forgetting the oldest when full.
    void push(const RewindFrame& frame);
    // The latest frame, taken off the ring; false when it is empty.
    bool pop(RewindFrame& frame);
    void clear() { size_ = 0; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return frames_.size(); }
    // What the ring holds in memory, whatever it holds.
    std::size_t bytes() const { return frames_.capacity() * sizeof(RewindFrame); }

  private:
    std::vector<RewindFrame> frames_;
    std::size_t newest_ = 0; // where the next push goes
    std::size_t size_ = 0;
};

} // namespace kueruma::driver
