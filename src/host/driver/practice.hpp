// Practice mode: hold a key to rewind tick by tick through the last minute of a stage, play it
// slower, or hold it still and step one tick at a time. The program goes on from any tick it
// rewinds to, and whoever keeps its keys is told where the timeline was cut, so what is kept is
// the timeline finally played, and it replays bit for bit.
#pragma once

#include "game/play_state.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kueruma::driver::practice {

struct Hooks {
    // The program stands again where it stood after `ticks` ticks, with `state`.
    std::function<void(std::int64_t ticks, const game::PlayState& state)> timelineCut;
    // Something the player should read (a rewind that can go no further).
    std::function<void(const std::string& message)> notice;
};

// Turns practice on for the program of this thread (the rewind ring is allocated now).
void enable(Hooks hooks);
// Turns it off again (the ring is freed): the page's next game may be played without it.
void disable();
bool enabled();

// The player's controls.
void setRewinding(bool held);
void slower(); // 100% -> 50% -> 25%
void faster(); // and back; either lets a held game run again
void step();   // holds the game and lets one tick through
int speedPercent();
std::int64_t rewinds();
std::size_t ringBytes();

// The driver's: the timer period the program asked for, as the loop should run it.
unsigned timerPeriod(unsigned periodMs);
// Right before a timer tick: true when the shell plays it, false when it was a rewind step or
// the game is held.
bool beforeTick();

} // namespace kueruma::driver::practice
