// The program: its play state and the message handlers every backend's message loop calls, in
// the order a Windows window procedure would receive the messages.
#pragma once

#include "game/play_state.hpp"
#include "render/paint.hpp"
#include "seam/canvas.hpp"
#include "seam/machine.hpp"

namespace kueruma::app {

// The main window's title, in UTF-8 for the window systems (the web page's title is read from
// this line when the page is built).
inline constexpr const char* windowTitle = "++クエルマー++";

class Shell {
  public:
    // Prepares the play state before the window exists: blocks active, pass digits zeroed,
    // figure reset, joysticks assigned.
    void startUp();
    // The window exists: timer 1 starts at the title screen's 200 ms.
    void onCreate(seam::Window* window);
    // Timer 1 fired.
    void onTimer(seam::Window* window);
    // A paint: what it changes in the play state, then the current screen drawn from scratch
    // onto an already black client area.
    void onPaint(seam::Window* window, seam::Canvas& canvas);
    // A paint nobody sees: the same changes to the play state, sounds and pauses, no pixels.
    void onPaint(seam::Window* window);
    // A menu command; command 0 ("シュウリョウ") closes the window.
    void onCommand(seam::Window* window, unsigned commandId);
    // The close request: destroy the window.
    void onClose(seam::Window* window);
    // The window is gone: end the message loop with exit code 0.
    void onDestroy(seam::Window* window);

    // What paints show besides the game (a ghost's figure); none by default.
    render::PaintOptions& paintOptions() { return paintOptions_; }

    game::PlayState& state() { return state_; }
    const game::PlayState& state() const { return state_; }

  private:
    // A fresh value is the state at process start.
    game::PlayState state_;
    render::PaintOptions paintOptions_;
};

} // namespace kueruma::app
