// The rules of play, run once per timer tick of a running stage.
#pragma once

namespace kueruma::game {

void gameTick();

} // namespace kueruma::game
