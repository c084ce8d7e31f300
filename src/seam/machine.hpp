// The seam between the portable game and the machine it runs on: plain functions, one
// implementation per executable (headless, SDL or Win32), chosen when the program is linked.
#pragma once

#include <cstdint>

namespace kueruma::seam {

// The one main window: the window system's handle where the program has a real one (the
// Windows program's HWND), and whether it is destroyed yet (the emulated message loop's).
struct Window {
    void* handle = nullptr;
    bool destroyed = false;
};

// Virtual-key codes the game asks for, with the values Windows gives them.
inline constexpr int keyLeft = 0x25;
inline constexpr int keyUp = 0x26;
inline constexpr int keyRight = 0x27;
inline constexpr int keyDown = 0x28;
inline constexpr int keyX = 0x58;
inline constexpr int keyZ = 0x5A;
inline constexpr int keyF11 = 0x7A;

// The multimedia joystick reading record, laid out as the Windows one (52 bytes).
struct JoyInfoEx {
    std::uint32_t dwSize;
    std::uint32_t dwFlags;
    std::uint32_t dwXpos;
    std::uint32_t dwYpos;
    std::uint32_t dwZpos;
    std::uint32_t dwRpos;
    std::uint32_t dwUpos;
    std::uint32_t dwVpos;
    std::uint32_t dwButtons;
    std::uint32_t dwButtonNumber;
    std::uint32_t dwPOV;
    std::uint32_t dwReserved1;
    std::uint32_t dwReserved2;
};
static_assert(sizeof(JoyInfoEx) == 52);

inline constexpr unsigned joyNoError = 0;
inline constexpr std::uint32_t joyReturnX = 1;
inline constexpr std::uint32_t joyReturnY = 2;
inline constexpr std::uint32_t joyReturnButtons = 128;

// Starts timer `id`, or restarts it with a new period; ticks reach the shell's onTimer.
void setTimer(Window* window, int id, unsigned periodMs);
// Asks for a paint of the whole client area, erased to black first.
void invalidate(Window* window);
// Ends the message loop with this exit code once the current message is handled.
void postQuit(int exitCode);
// Sends the close request to the window (the shell's onClose runs before this returns).
void closeWindow(Window* window);
// Destroys the window (the shell's onDestroy runs before this returns).
void destroyWindow(Window* window);
// Blocks the game for this long; nothing else is handled meanwhile.
void sleepMs(unsigned ms);
// Starts a wave file asynchronously, cutting off any sound still playing.
void playSound(const char* fileName);
// Nonzero when the key is down now or was pressed since the previous query of that key.
short asyncKeyState(int virtualKey);
// How many joystick numbers the driver supports.
unsigned joystickDeviceCount();
// joyNoError when joystick `id` answers a basic position reading.
unsigned joystickProbe(unsigned id);
// Reads joystick `id` into `info` (dwSize and dwFlags set by the caller); joyNoError on success.
unsigned joystickRead(unsigned id, JoyInfoEx& info);

} // namespace kueruma::seam
