// Drives the real program headless so a test reads as the player's story: boot, hold keys
// for some ticks, start a stage.
#pragma once

#include "platform/headless/headless.hpp"
#include "platform/headless/null_canvas.hpp"

#include <string>
#include <vector>

namespace kueruma::testing {

class NullPaintTarget final : public headless::PaintTarget {
  public:
    NullPaintTarget() : canvas_({0, 0, 632, 433}) {}
    platform::Canvas& beginPaint() override { return canvas_; }

  private:
    headless::NullCanvas canvas_;
};

// Boots the program fresh (no joystick unless the test plugs one in first).
void bootGame(int stage = -1);
// Holds `keys` through `count` ticks; returns the reports of those ticks.
std::vector<headless::TickReport> run(int count, headless::KeySet keys = 0);
// Starts `stage` and runs its intro tick, so the next tick is the first Play tick.
void startStageAndSkipIntro(int stage);
// The names of the sounds played in a report.
std::vector<std::string> soundsOf(const headless::TickReport& report);

} // namespace kueruma::testing
