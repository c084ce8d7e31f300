// Drives the real program headless so a test reads as the player's story: boot, hold keys
// for some ticks, start a stage.
#pragma once

#include "backends/headless/headless.hpp"
#include "backends/headless/paint_targets.hpp"

#include <string>
#include <vector>

namespace kueruma::support {

// The play state of the program the tests drive, and its three records. The program lives as
// long as the test process; every boot gives it a fresh value.
inline game::PlayState& playState = headless::state();
inline game::GameState& gameState = playState.gameState;
inline figure::Figure& figure = playState.figure;
inline world::BlockPool& blockPool = playState.blockPool;

// Boots the program fresh (no joystick unless the test plugs one in first).
void bootGame(int stage = -1);
// Holds `keys` through `count` ticks; returns the reports of those ticks.
std::vector<headless::TickReport> run(int count, loop::KeySet keys = 0);
// Starts `stage` and runs its intro tick, so the next tick is the first Play tick.
void startStageAndSkipIntro(int stage);
// The names of the sounds played in a report.
std::vector<std::string> soundsOf(const headless::TickReport& report);

} // namespace kueruma::support
