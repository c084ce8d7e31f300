// The program's message handlers. Every backend's message loop calls these, in the order a
// Windows window procedure would receive the messages.
#pragma once

#include "platform/canvas.hpp"
#include "platform/platform.hpp"

namespace kueruma::app {

// Prepares the global records before the window exists: blocks active, pass digits zeroed,
// figure reset, joysticks assigned.
void startUp();
// The window exists: timer 1 starts at the title screen's 200 ms.
void onCreate(platform::Window* window);
// Timer 1 fired.
void onTimer(platform::Window* window);
// Draw the current screen from scratch onto an already black client area.
void onPaint(platform::Window* window, platform::Canvas& canvas);
// A menu command; command 0 ("シュウリョウ") closes the window.
void onCommand(platform::Window* window, unsigned commandId);
// The close request: destroy the window.
void onClose(platform::Window* window);
// The window is gone: end the message loop with exit code 0.
void onDestroy(platform::Window* window);

// Puts the three global records back to their values at process start, before startUp runs;
// tools and tests that start the program more than once in one process call it first.
void resetToProcessStart();

} // namespace kueruma::app
