// Runs under Wine: the Windows program's own start-up and text paths, checked from inside the
// process. Prints one line per check and a closing "N passed, N failed" line.
#include "backends/win32/gdi_canvas.hpp"
#include "backends/win32/win32_app.hpp"
#include "backends/win32/win32_keys.hpp"
#include "files/record/session.hpp"
#include "files/safe_write/safe_write.hpp"
#include "game/menu_layout.hpp"
#include "render/text.hpp"
#include "resource.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using namespace kueruma;

int passed = 0;
int failed = 0;

void check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    std::fflush(stdout);
    (ok ? passed : failed)++;
}

// A helper thread that waits for a top-level window of this process with the given class,
// lets `act` look at it and act on it, and gives up after a few seconds so a test never hangs.
struct Watcher {
    const wchar_t* className;
    bool (*act)(HWND window, Watcher& self);
    wchar_t text[256] = {};
    std::atomic<bool> seen{false};
    HANDLE thread = nullptr;
};

HWND findOwnWindow(const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t name[64];
            if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
                GetClassNameW(window, name, 64) > 0 && std::wcscmp(name, s.className) == 0) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD WINAPI watch(void* data) {
    auto& self = *static_cast<Watcher*>(data);
    for (int i = 0; i < 200; ++i) {
        HWND window = findOwnWindow(self.className);
        if (window != nullptr && self.act(window, self)) {
            self.seen = true;
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

void startWatcher(Watcher& watcher) {
    watcher.thread = CreateThread(nullptr, 0, watch, &watcher, 0, nullptr);
}

void stopWatcher(Watcher& watcher) {
    WaitForSingleObject(watcher.thread, 15000);
    CloseHandle(watcher.thread);
}

// Reads a message box's text and presses its OK button.
bool dismissMessageBox(HWND box, Watcher& self) {
    // A message box's text is the static control with this identifier.
    GetDlgItemTextW(box, 0xFFFF, self.text, 256);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
}

// Looks at the running game window, then picks "シュウリョウ" as a player would.
wchar_t seenTitle[64];
wchar_t seenPopup[64];
wchar_t seenItem[64];
int seenItemId = -1;
RECT seenClient;

bool inspectAndQuit(HWND window, Watcher&) {
    GetWindowTextW(window, seenTitle, 64);
    GetClientRect(window, &seenClient);
    HMENU bar = GetMenu(window);
    if (bar != nullptr) {
        GetMenuStringW(bar, 0, seenPopup, 64, MF_BYPOSITION);
        HMENU popup = GetSubMenu(bar, 0);
        GetMenuStringW(popup, 0, seenItem, 64, MF_BYPOSITION);
        seenItemId = static_cast<int>(GetMenuItemID(popup, 0));
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_QUIT, 0), 0);
    return true;
}

void testGameWindowAndMenu(HINSTANCE instance) {
    Watcher watcher{L"grph01", inspectAndQuit};
    startWatcher(watcher);
    const int exitCode = win32::run(instance, SW_SHOWNORMAL);
    stopWatcher(watcher);
    check(watcher.seen, "the main window of class grph01 appears");
    check(exitCode == 0, "quitting through the menu command exits with 0");
    check(std::wcscmp(seenTitle, L"++\u30AF\u30A8\u30EB\u30DE\u30FC++") == 0,
          "the window title reads ++クエルマー++");
    check(std::wcscmp(seenPopup, L"\u30B2\u30FC\u30E0") == 0, "the menu bar holds ゲーム");
    check(std::wcscmp(seenItem, L"\u30B7\u30E5\u30A6\u30EA\u30E7\u30A6") == 0 && seenItemId == 0,
          "its one item シュウリョウ has command 0");
    std::printf("     client area %ldx%ld\n", seenClient.right, seenClient.bottom);
    UnregisterClassA(win32::mainClassName, instance);
}

void testShiftJisTexts() {
    wchar_t wide[128];
    int n = win32::shiftJisToWide(game::closingRemark, wide, 128);
    check(n == 20 && std::wcsncmp(wide,
                                  L"\u6B21\u306F\u3053\u3093\u306A\u611F\u3058\u3067\u683C\u95D8"
                                  L"\u30B2\u30FC\u30E0\u3067\u3082\u4F5C\u308A\u307E\u3059\u308F",
                                  20) == 0,
          "the closing remark converts from code page 932 to 20 characters");
    n = win32::shiftJisToWide(render::titleText, wide, 4);
    check(n == 0, "a text longer than the buffer is refused, not cut");

    HDC screen = GetDC(nullptr);
    const std::string_view texts[] = {render::titleText, game::closingRemark};
    win32::JapaneseFont font;
    font.choose(screen, texts, 2);
    HGDIOBJ previous = font.font() != nullptr ? SelectObject(screen, font.font()) : nullptr;
    WORD glyphs[20];
    n = win32::shiftJisToWide(game::closingRemark, wide, 128);
    const DWORD got = GetGlyphIndicesW(screen, wide, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    bool all = got != GDI_ERROR;
    for (int i = 0; all && i < n; ++i) all = glyphs[i] != 0xFFFF;
    TEXTMETRICW chosen{};
    GetTextMetricsW(screen, &chosen);
    if (previous != nullptr) SelectObject(screen, previous);
    TEXTMETRICW standard{};
    GetTextMetricsW(screen, &standard);
    ReleaseDC(nullptr, screen);
    std::printf("     Japanese texts use %ls\n",
                font.font() != nullptr ? font.faceName() : L"the default font");
    check(all, "the font for the Japanese texts has a glyph for every character");
    check(chosen.tmHeight == standard.tmHeight, "it is as tall as the default font");
}

// Draws `draw` white on black into a small bitmap and returns its pixels.
template <class Draw> std::vector<std::uint32_t> render(HFONT font, Draw draw) {
    constexpr int width = 240, height = 40;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    draw(dc);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> copy(pixels, pixels + width * height);
    if (oldFont != nullptr) SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return copy;
}

bool anyLit(const std::vector<std::uint32_t>& pixels) {
    for (std::uint32_t p : pixels) {
        if ((p & 0xFFFFFF) != 0) return true;
    }
    return false;
}

// The canvas must draw a Japanese text as its characters (the wide call, with the chosen font)
// and an ASCII text with the default font, exactly as those calls would on their own.
void testCanvasText() {
    HDC screen = GetDC(nullptr);
    const std::string_view texts[] = {render::titleText, game::closingRemark};
    win32::JapaneseFont font;
    font.choose(screen, texts, 2);
    ReleaseDC(nullptr, screen);

    const auto viaCanvas = [&](std::string_view text) {
        return render(nullptr, [&](HDC dc) {
            win32::GdiCanvas canvas(dc, RECT{}, font); // text needs no client area
            canvas.textOut(4, 4, text);
        });
    };
    const auto japanese = render(
        font.font(), [](HDC dc) { TextOutW(dc, 4, 4, L"\u30AF\u30A8\u30EB\u30DE\u30FC", 5); });
    const auto titleOnCanvas = viaCanvas(render::titleText);
    check(anyLit(japanese) && titleOnCanvas == japanese,
          "the canvas draws \"\u30AF\u30A8\u30EB\u30DE\u30FC\" as its five characters");
    const auto ansi = render(nullptr, [](HDC dc) { TextOutA(dc, 4, 4, "NewGame", 7); });
    check(anyLit(ansi) && viaCanvas("NewGame") == ansi,
          "the canvas draws ASCII texts with the default font");
}

bool refuseMainWindow = false;

LRESULT CALLBACK refuseCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && refuseMainWindow) {
        wchar_t name[64];
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64);
        if (std::wcscmp(name, L"grph01") == 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK otherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

void testStartUpFailures(HINSTANCE instance) {
    // Another class of the same name already registered makes the registration fail.
    WNDCLASSW taken{};
    taken.lpfnWndProc = otherProc;
    taken.hInstance = instance;
    taken.lpszClassName = L"grph01";
    RegisterClassW(&taken);
    Watcher box{L"#32770", dismissMessageBox};
    startWatcher(box);
    int exitCode = win32::run(instance, SW_SHOWNORMAL);
    stopWatcher(box);
    check(exitCode == win32::exitClassFailed, "a failed class registration exits with 1");
    check(box.seen && std::wcsstr(box.text, L"register the window class \"grph01\"") != nullptr,
          "and says so in a message box");
    UnregisterClassW(L"grph01", instance);

    // A hook that vetoes the window makes its creation fail.
    HHOOK hook = SetWindowsHookExW(WH_CBT, refuseCreation, nullptr, GetCurrentThreadId());
    refuseMainWindow = true;
    Watcher box2{L"#32770", dismissMessageBox};
    startWatcher(box2);
    exitCode = win32::run(instance, SW_SHOWNORMAL);
    stopWatcher(box2);
    refuseMainWindow = false;
    UnhookWindowsHookEx(hook);
    check(exitCode == win32::exitWindowFailed, "a failed window creation exits with 2");
    check(box2.seen && std::wcsstr(box2.text, L"create the main window") != nullptr,
          "and says so in a message box");
    UnregisterClassA(win32::mainClassName, instance);
}

// Names Windows keeps for devices, and paths too long for it, are refused at start; a second
// writer of a file being recorded is turned away, across rewrites, until the first lets go.
void testRecordingTargets() {
    std::string error;
    for (const char* name : {"CON", "NUL", "aux.txt", "com1.gif"}) {
        record::SessionOptions options;
        options.recordPath = name;
        record::Session session;
        check(!session.begin(options, error) &&
                  error.find("is a device name on Windows") != std::string::npos,
              "--record with a device name is refused at start");
    }
    check(safe_write::checkTarget(std::string(304, 'a')).find("too long") != std::string::npos,
          "a 304-character name is refused");
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "kueruma-lock-test.txt";
    DeleteFileA(path.c_str());
    safe_write::WriterLock first;
    safe_write::WriterLock second;
    check(first.acquire(path, error), "the first writer takes the lock");
    check(!second.acquire(path, error) && error == path + " is being written by another program",
          "a second writer is turned away");
    check(first.rewrite("1 -\n", error), "the first writer rewrites the file");
    check(!second.acquire(path, error), "and still holds the lock after the rewrite");
    first.release();
    check(second.acquire(path, error), "once it lets go, another may write");
    second.release();
    DeleteFileA(path.c_str());
}

// The keys held in a key-state test, and those pressed since the last look.
std::vector<int> held;
std::vector<int> tapped;

SHORT WINAPI fakeKeyState(int key) {
    const auto in = [key](const std::vector<int>& keys) {
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    return static_cast<SHORT>((in(held) ? 0x8000 : 0) | (in(tapped) ? 1 : 0));
}

void testKeyBindings() {
    std::vector<int> codes;
    for (std::string_view name : settings::keyNames())
        codes.push_back(win32::virtualKeyNamed(name));
    std::sort(codes.begin(), codes.end());
    // The keypad's Enter is Return's code, the one pair Windows does not tell apart.
    check(codes.front() != 0 && std::adjacent_find(codes.begin(), codes.end()) != codes.end() &&
              std::unique(codes.begin(), codes.end()) == codes.end() - 1,
          "every key the settings name has a virtual-key code of its own");
    check(win32::virtualKeyNamed("Comma") == VK_OEM_COMMA &&
              win32::virtualKeyNamed("Keypad7") == VK_NUMPAD7 &&
              win32::virtualKeyNamed("F12") == VK_F12 && win32::virtualKeyNamed("F13") == 0,
          "punctuation, keypad and function keys by name");

    const win32::KeyBindings defaults(settings::Settings::defaultKeys());
    held = {'X', VK_SPACE};
    tapped = {'Z'};
    check(defaults.state('X', fakeKeyState) == SHORT(0x8000) &&
              defaults.state('Z', fakeKeyState) == 1 && defaults.state(VK_LEFT, fakeKeyState) == 0,
          "by default the game's keys answer for themselves");

    settings::Bindings keys = settings::Settings::defaultKeys();
    keys[static_cast<std::size_t>(settings::Action::jump)] = {"Space", "LeftShift"};
    const win32::KeyBindings chosen(keys);
    tapped = {VK_LSHIFT};
    check(chosen.state('X', fakeKeyState) == SHORT(0x8001),
          "a jump key held or tapped is the game's X held and pressed");
    held = {'X'};
    tapped = {};
    check(chosen.state('X', fakeKeyState) == 0, "X moved away from jump no longer jumps");
    check(win32::keyOfMessage(VK_SHIFT, LPARAM{0x36} << 16) == VK_RSHIFT &&
              win32::keyOfMessage(VK_MENU, LPARAM{1} << 24) == VK_RMENU &&
              win32::keyOfMessage(VK_CONTROL, 0) == VK_LCONTROL,
          "a key message's Shift, Ctrl and Alt are told left from right");
}

} // namespace

int main() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    testGameWindowAndMenu(instance);
    testShiftJisTexts();
    testCanvasText();
    testStartUpFailures(instance);
    testRecordingTargets();
    testKeyBindings();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
