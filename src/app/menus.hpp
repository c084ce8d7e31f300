// The title menu, the pass-code keypad and the result menu, and the common stage start.
#pragma once

#include "game/play_state.hpp"
#include "seam/machine.hpp"
#include "world/stages.hpp"

#include <cstdint>

namespace kueruma::app {

inline constexpr int timerId = 1;
inline constexpr unsigned titlePeriodMs = 200;
inline constexpr unsigned passEntryPeriodMs = 100;
inline constexpr unsigned stagePeriodMs = 50;

// Each returns nonzero when the player should hear the cue and see a repaint.
int titleMenuStep(game::PlayState& state, seam::Window* window);
int passEntryStep(game::PlayState& state, seam::Window* window);
int resultMenuStep(game::PlayState& state, seam::Window* window);
void beginStage(game::PlayState& state, seam::Window* window, std::int32_t stageIndex);
// Starts a stage as a valid pass code does: the keypad cell and the cursor back to 0 first.
void beginStageByCode(game::PlayState& state, seam::Window* window, std::int32_t stageIndex);

using world::RunStart;
// Puts a program whose window has just been created where `start` says, before its first paint
// (a walk count without a stage counts for nothing: start-up begins the cycle at 0).
void startRun(game::PlayState& state, seam::Window* window, const RunStart& start);

// The stage a four-digit pass code opens, or -1 for a wrong code.
int stageForCode(int code);

} // namespace kueruma::app
