// The Windows program around the portable game: window class, main window, window procedure
// and message loop. WinMain only calls run(); the start-up failure test calls the pieces.
#pragma once

#include <windows.h>

#include <string>

namespace kueruma::win32 {

inline constexpr char mainClassName[] = "grph01";
inline constexpr int windowWidth = 640;
inline constexpr int windowHeight = 480;

// Exit codes of a start-up that could not get its window (the game itself always exits 0).
inline constexpr int exitClassFailed = 1;
inline constexpr int exitWindowFailed = 2;

ATOM registerMainClass(HINSTANCE instance, const char* className);
// Creates, shows and updates the main window; false if it could not be created.
bool openMainWindow(HINSTANCE instance, const char* className, int showCommand);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The whole program after the C++ start-up: prepares the game, opens the window and runs the
// message loop; returns the process exit code. A failed registration or window creation is
// shown in a message box and gives a non-zero code.
int run(HINSTANCE instance, int showCommand);

// A problem the player must hear of (a bad command line, a recording that could not be
// written), in a message box under the game's title; `text` is in the ANSI code page.
void reportError(const std::string& text);
// The same box for what the player asked to read (the version, the help).
void showInformation(const std::string& text);

} // namespace kueruma::win32
