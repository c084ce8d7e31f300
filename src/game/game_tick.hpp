// The rules of play, run once per timer tick of a running stage.
#pragma once

#include "game/play_state.hpp"

#include <cstdint>

namespace kueruma::game {

// The rules alone: `givingUp` is F11 held. Returns the blocks broken (each a cue to play).
// Nothing outside the state is asked or told, so a second state (a ghost) can run them too.
int playRules(PlayState& state, bool givingUp);
// A running stage's tick: the view scrolls on, the rules run, and a view past the goal line
// ends the stage as a time-out. Returns the blocks broken.
int stageTick(PlayState& state, bool givingUp);
// The player's: the same with F11 read and each break's cue played through the machine.
void gameTick(PlayState& state);
void playerStageTick(PlayState& state);

// The stage `stageIndex` loaded and set at its intro, the figure at its start.
void resetStage(PlayState& state, std::int32_t stageIndex);

} // namespace kueruma::game
