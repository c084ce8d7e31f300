// Turns the keyboard and up to two joysticks into this tick's input flags.
#pragma once

#include "game/game_state.hpp"

namespace kueruma::app {

// An axis reads as centred from 0x4000 to 0xBFFF.
inline constexpr unsigned axisLowEdge = 0x4000;
inline constexpr unsigned axisHighEdge = 0xC000;

bool joystickUsable(unsigned deviceId);
void detectJoysticks(game::JoystickSlot* slots, int count);
void pollJoysticks(game::JoystickSlot* slots, int count);
// Polls the joysticks and the keys into `input`; keyboard and joysticks combine by logical or.
void sampleInput(game::GameState& gs);

} // namespace kueruma::app
