// The rules of play, run once per timer tick of a running stage.
#pragma once

#include "game/play_state.hpp"

namespace kueruma::game {

void gameTick(PlayState& state);

} // namespace kueruma::game
