#include "backends/win32/win32_app.hpp"

#include "app/shell.hpp"
#include "backends/win32/gdi_canvas.hpp"
#include "host/driver/start.hpp"
#include "seam/machine.hpp"

#include <cstddef>
#include <cstring>
#include <mmsystem.h>

namespace kueruma::win32 {

namespace {

app::Shell shell;
seam::Window mainWindow;
JapaneseFont japaneseFont;

// Class and window names as UTF-16: the wide window keeps its Japanese title whatever the
// machine's ANSI code page is.
constexpr int maxNameUnits = 64;

int widen(const char* ascii, wchar_t* out) {
    int i = 0;
    for (; ascii[i] != '\0' && i < maxNameUnits - 1; ++i) out[i] = static_cast<wchar_t>(ascii[i]);
    out[i] = L'\0';
    return i;
}

// The window's title through the wide calls, so any Windows reads it right.
void wideTitle(wchar_t (&title)[maxNameUnits]) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, app::windowTitle, -1, title, maxNameUnits);
    if (length == 0) title[0] = L'\0';
}

// A message box under the game's title; `icon` says whether it reports a fault or just informs.
void showMessage(const wchar_t* text, UINT icon) {
    wchar_t title[maxNameUnits] = {};
    wideTitle(title);
    MessageBoxW(nullptr, text, title, MB_OK | icon);
}

void showError(const wchar_t* text) {
    showMessage(text, MB_ICONERROR);
}

void showText(const std::string& text, UINT icon) {
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    showMessage(wide.c_str(), icon);
}

void reportStartUpFailure(const wchar_t* what) {
    wchar_t text[256];
    wsprintfW(text, L"%s (Windows error %lu).", what, GetLastError());
    showError(text);
}

void onCreateWindow(HWND window) {
    mainWindow.handle = window;
    HDC dc = GetDC(window);
    japaneseFont.chooseForGame(dc);
    ReleaseDC(window, dc);
    shell.onCreate(&mainWindow);
    driver::windowCreated(shell.state(), &mainWindow);
}

void onPaintWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    GdiCanvas canvas(dc, client, japaneseFont);
    shell.onPaint(&mainWindow, canvas);
    EndPaint(window, &paint);
}

} // namespace

ATOM registerMainClass(HINSTANCE instance, const char* className) {
    static wchar_t name[maxNameUnits];
    widen(className, name);
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = L"IDR_MENU1";
    windowClass.lpszClassName = name;
    return RegisterClassW(&windowClass);
}

bool openMainWindow(HINSTANCE instance, const char* className, int showCommand) {
    wchar_t name[maxNameUnits];
    widen(className, name);
    wchar_t title[maxNameUnits] = {};
    wideTitle(title);
    HWND window = CreateWindowExW(0, name, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  windowWidth, windowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreateWindow(window);
        return 0;
    case WM_PAINT:
        onPaintWindow(window);
        return 0;
    case WM_TIMER:
        shell.onTimer(&mainWindow);
        driver::tickDone(shell.state());
        return 0;
    case WM_COMMAND:
        shell.onCommand(&mainWindow, LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        shell.onClose(&mainWindow);
        return 0;
    case WM_DESTROY:
        shell.onDestroy(&mainWindow);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int run(HINSTANCE instance, int showCommand) {
    shell.startUp();
    if (registerMainClass(instance, mainClassName) == 0) {
        reportStartUpFailure(L"Could not register the window class \"grph01\"");
        return exitClassFailed;
    }
    if (!openMainWindow(instance, mainClassName, showCommand)) {
        reportStartUpFailure(L"Could not create the main window");
        return exitWindowFailed;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void reportError(const std::string& text) {
    showText(text, MB_ICONERROR);
}

void showInformation(const std::string& text) {
    showText(text, MB_ICONINFORMATION);
}

} // namespace kueruma::win32

namespace kueruma::seam {

namespace {

HWND handleOf(Window* window) {
    return static_cast<HWND>(window->handle);
}

} // namespace

void setTimer(Window* window, int id, unsigned periodMs) {
    SetTimer(handleOf(window), static_cast<UINT_PTR>(id), periodMs, nullptr);
}

void invalidate(Window* window) {
    InvalidateRect(handleOf(window), nullptr, TRUE);
}

void postQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

void closeWindow(Window* window) {
    SendMessageW(handleOf(window), WM_CLOSE, 0, 0);
}

void destroyWindow(Window* window) {
    DestroyWindow(handleOf(window));
}

void sleepMs(unsigned ms) {
    Sleep(ms);
}

void playSound(const char* fileName) {
    sndPlaySoundA(fileName, SND_ASYNC);
}

short asyncKeyState(int virtualKey) {
    return driver::keyAnswer(virtualKey, GetAsyncKeyState(virtualKey));
}

unsigned joystickDeviceCount() {
    return joyGetNumDevs();
}

unsigned joystickProbe(unsigned id) {
    JOYINFO info{};
    return joyGetPos(id, &info);
}

static_assert(sizeof(JOYINFOEX) == sizeof(JoyInfoEx));
static_assert(offsetof(JOYINFOEX, dwButtons) == offsetof(JoyInfoEx, dwButtons));

unsigned joystickRead(unsigned id, JoyInfoEx& info) {
    if (driver::showingScript()) return JOYERR_UNPLUGGED;
    JOYINFOEX reading;
    std::memcpy(&reading, &info, sizeof reading);
    const MMRESULT result = joyGetPosEx(id, &reading);
    std::memcpy(&info, &reading, sizeof reading);
    return result;
}

} // namespace kueruma::seam
