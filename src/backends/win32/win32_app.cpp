#include "backends/win32/win32_app.hpp"

#include "app/shell.hpp"
#include "backends/win32/gdi_canvas.hpp"
#include "backends/win32/window_picture.hpp"
#include "host/driver/start.hpp"
#include "resource.h" // res/: the identifiers shared with the resource script
#include "seam/machine.hpp"

#include <cstddef>
#include <cstring>
#include <mmsystem.h>
#ifdef KUERUMA_SETTINGS
#include "backends/win32/win32_keys.hpp"
#include "files/settings/settings.hpp"
#endif

namespace kueruma::win32 {

namespace {

app::Shell shell;
seam::Window mainWindow;
JapaneseFont japaneseFont;
WindowPicture picture;
// During a paint: the window's device context, where each pause shows what is drawn so far.
HDC paintingInto = nullptr;

// The player's pause and the game's timer it holds back: while paused no timer runs, and the
// one the game last set starts again, a whole period from then, when the game goes on.
struct Pause {
    bool paused = false;
    bool onFocusLoss = true;
    bool timerSet = false;
    UINT_PTR timerId = 0;
    unsigned periodMs = 0;
    // The game asked for a paint the pause held back: it comes as the game goes on, so the game
    // has every paint it would have had.
    bool paintOwed = false;
};
Pause pause;
render::PaintOptions paintOptions;
#ifdef KUERUMA_SETTINGS
// The keys the player chose; with none chosen, the game's own and P and Pause/Break.
KeyBindings keyBindings{settings::Settings::defaultKeys()};
#endif

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

// A paint of the game (its picture drawn into the window's bitmap, shown as it goes), or while
// paused the last picture dimmed under the pause mark: a paused game is not drawn again.
void onPaintWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (pause.paused) {
        picture.showPaused(dc);
        EndPaint(window, &paint);
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    pause.paintOwed = false;
    if (picture.fit(dc, client)) {
        GdiCanvas canvas(picture.dc(), client, japaneseFont);
        paintingInto = dc;
        shell.onPaint(&mainWindow, canvas, paintOptions);
        paintingInto = nullptr;
        picture.show(dc);
    } else { // no memory for the bitmap: drawn straight into the window
        GdiCanvas canvas(dc, client, japaneseFont);
        shell.onPaint(&mainWindow, canvas, paintOptions);
    }
    EndPaint(window, &paint);
}

// Draws on the window outside a paint: what the player's pause shows.
template <class Draw> void drawOnWindow(HWND window, Draw&& draw) {
    HDC dc = GetDC(window);
    if (dc == nullptr) return;
    draw(dc);
    ReleaseDC(window, dc);
}

// Presses made while paused are not the game's: the keys' "pressed since the last look" marks
// are cleared (a key still held stays held).
void forgetKeyPresses() {
    for (int key = 1; key < 255; ++key) GetAsyncKeyState(key);
}

void setPaused(HWND window, bool paused) {
    if (paused == pause.paused) return;
    pause.paused = paused;
    if (paused) {
        if (pause.timerSet) KillTimer(window, pause.timerId);
        sndPlaySoundA(nullptr, 0);
        drawOnWindow(window, [](HDC dc) { picture.showPaused(dc); });
        return;
    }
    forgetKeyPresses();
    if (pause.timerSet) SetTimer(window, pause.timerId, pause.periodMs, nullptr);
    if (pause.paintOwed) {
        InvalidateRect(window, nullptr, TRUE);
    } else {
        drawOnWindow(window, [](HDC dc) { picture.show(dc); });
    }
}

// The pause keys pause and go on; a key held down does not repeat it.
bool pausesGame(WPARAM key, LPARAM flags) {
    if ((flags & (LPARAM{1} << 30)) != 0) return false;
#ifdef KUERUMA_SETTINGS
    return keyBindings.pauses(keyOfMessage(key, flags));
#else
    return key == 'P' || key == VK_PAUSE;
#endif
}

// Alt and F10 bound to an action are the game's, not the way into the menu bar, nor is a key
// pressed with such an Alt a menu's letter.
bool keptFromMenu(UINT message, WPARAM key, LPARAM flags) {
#ifdef KUERUMA_SETTINGS
    if (message == WM_SYSCHAR) return keyBindings.bound(VK_LMENU) || keyBindings.bound(VK_RMENU);
    return (key == VK_MENU || key == VK_F10) && keyBindings.bound(keyOfMessage(key, flags));
#else
    (void)message, (void)key, (void)flags;
    return false;
#endif
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
    // The program's own icon when its resource holds one, else Windows' default.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KUERUMA));
    if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
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
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (pausesGame(wParam, lParam)) {
            setPaused(window, !pause.paused);
            return 0;
        }
        if (keptFromMenu(message, wParam, lParam)) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        if (keptFromMenu(message, wParam, lParam)) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        // The game's picture covers the whole window once there is one: no black between two
        // paints. A paused window made larger keeps its old picture, on black.
        if (picture.dc() != nullptr && !pause.paused) return 1;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE && pause.onFocusLoss) setPaused(window, true);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_TIMER:
        // One posted before the pause began is not delivered: no tick passes while paused.
        if (pause.paused) return 0;
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

// The settings of %APPDATA%\kueruma\settings.toml this program has a use for: how flashes are
// drawn, whether losing the focus pauses, and the keys. What is wrong in the file is said in one
// box, and its defaults stand.
void useSettingsFile() {
#ifdef KUERUMA_SETTINGS
    const std::string path = settings::defaultPath();
    if (path.empty()) return;
    const settings::Loaded loaded = settings::load(path);
    const std::string warning = loaded.warning(path);
    if (!warning.empty()) showText("kueruma: " + warning, MB_ICONWARNING);
    paintOptions.reducedFlashing = loaded.settings.reducedFlashing;
    pause.onFocusLoss = loaded.settings.pauseOnFocusLoss;
    keyBindings = KeyBindings(loaded.settings.keys);
#endif
}

int run(HINSTANCE instance, int showCommand) {
    useSettingsFile();
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
    win32::pause.timerSet = true;
    win32::pause.timerId = static_cast<UINT_PTR>(id);
    win32::pause.periodMs = periodMs;
    if (!win32::pause.paused)
        SetTimer(handleOf(window), static_cast<UINT_PTR>(id), periodMs, nullptr);
}

void invalidate(Window* window) {
    win32::pause.paintOwed = true;
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
    // The strokes drawn so far are seen for as long as the pause lasts, as in a window drawn
    // into directly: the clear animation's frames appear one by one.
    if (win32::paintingInto != nullptr) win32::picture.show(win32::paintingInto);
    Sleep(ms);
}

void playSound(const char* fileName) {
    sndPlaySoundA(fileName, SND_ASYNC);
}

short asyncKeyState(int virtualKey) {
#ifdef KUERUMA_SETTINGS
    return driver::keyAnswer(virtualKey, win32::keyBindings.state(virtualKey, GetAsyncKeyState));
#else
    return driver::keyAnswer(virtualKey, GetAsyncKeyState(virtualKey));
#endif
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
