#include "backends/sdl/sdl_backend.hpp"

#include "backends/sdl/sdl_input.hpp"
#include "backends/sdl/sdl_screen.hpp"
#include "backends/sdl/sdl_sound.hpp"
#include "cli/command_line.hpp"
#include "files/record/run_folder.hpp"
#include "host/driver/backend.hpp"
#include "host/driver/driver.hpp"
#include "host/driver/ghost.hpp"
#include "host/driver/practice.hpp"
#include "host/overlay/overlay.hpp"
#include "icon/icon.hpp"
#include "raster/pause_mark.hpp"
#include "raster/raster_canvas.hpp"
#include "seam/machine.hpp"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <unistd.h>

namespace kueruma::sdl {

namespace {

// Room left under the usable display height for the window frame and caption.
constexpr int frameAllowance = 48;

// The desktop backend's own part of the program: the window on the screen and what it shows.
struct Runtime {
    SDL_Window* sdlWindow = nullptr;
    Screen screen;
    std::unique_ptr<raster::Framebuffer> framebuffer;
    std::unique_ptr<raster::RasterCanvas> canvas;
    // What the window shows while the game is paused; the game's own picture stays as it was.
    std::unique_ptr<raster::Framebuffer> pausedPicture;
    // What the window shows while a stage is played against a ghost or timed.
    std::unique_ptr<raster::Framebuffer> notedPicture;
    // The settings overlay while it is open, and whether the game was paused before it opened.
    std::unique_ptr<overlay::Overlay> menu;
    bool pausedBeforeMenu = false;
    // A pad's left shoulder held rewinds in practice, as Backspace does.
    bool padRewinding = false;
};

Runtime rt;
settings::Settings chosen;

// The settings file as it was read (what a save keeps of it), where it is, and the last save's
// failure (said once, not at every change).
struct SettingsFile {
    std::string path;
    settings::Loaded read;
    std::string failure;
};
SettingsFile file;

// The largest whole-number scale whose window fits the usable part of the display.
int fittingScale() {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
    for (int scale = settings::maxScale; scale > 1; --scale) {
        if (clientWidth * scale <= usable.w && clientHeight * scale + frameAllowance <= usable.h) {
            return scale;
        }
    }
    return 1;
}

// KUERUMA_SCALE may ask for a scale (a small display, or a test that wants one pixel per pixel);
// without it the settings' scale counts, as far as the screen has room for it.
int startScale() {
    std::string warning;
    const int fitting = fittingScale();
    const char* asked = std::getenv("KUERUMA_SCALE");
    if ((asked == nullptr || *asked == '\0') && chosen.scale) {
        if (*chosen.scale <= fitting) return *chosen.scale;
        std::fprintf(stderr, "kueruma: the settings' scale %d does not fit the screen; using %d\n",
                     *chosen.scale, fitting);
        return fitting;
    }
    const int scale = chooseScale(asked, fitting, warning);
    if (!warning.empty()) std::fprintf(stderr, "kueruma: %s\n", warning.c_str());
    return scale;
}

// Puts the framebuffer on the screen as it is now, even halfway through a paint; a paused game's
// as its dimmed copy.
void present() {
    if (!driver::paused()) {
        const auto standing = driver::ghost::standing(state());
        const std::string line =
            standing ? driver::ghost::standingLine(*standing, chosen.timer) : std::string();
        if (line.empty()) {
            rt.screen.show(*rt.framebuffer);
            return;
        }
        if (!rt.notedPicture)
            rt.notedPicture = std::make_unique<raster::Framebuffer>(clientWidth, clientHeight);
        raster::drawNote(*rt.framebuffer, *rt.notedPicture, line);
        rt.screen.show(*rt.notedPicture);
        return;
    }
    if (!rt.pausedPicture)
        rt.pausedPicture = std::make_unique<raster::Framebuffer>(clientWidth, clientHeight);
    if (rt.menu) {
        rt.menu->draw(*rt.framebuffer, *rt.pausedPicture);
    } else {
        raster::drawPaused(*rt.framebuffer, *rt.pausedPicture);
    }
    rt.screen.show(*rt.pausedPicture);
}

// Every change the overlay makes is kept at once, onto the file as another game may have left
// it; a save that fails leaves the game running.
void saveSettings(const settings::Settings& before) {
    std::string failure;
    std::string note;
    if (file.path.empty()) {
        failure = "neither XDG_CONFIG_HOME nor HOME is set: the settings are not kept";
    } else if (settings::saveChange(file.path, before, chosen, file.read, note, failure)) {
        file.failure.clear();
        if (!note.empty()) std::fprintf(stderr, "kueruma: %s\n", note.c_str());
        return;
    } else {
        failure = "the settings are not saved: " + failure;
    }
    if (failure != file.failure) std::fprintf(stderr, "kueruma: %s\n", failure.c_str());
    file.failure = failure;
}

void openMenu() {
    if (rt.menu || rt.sdlWindow == nullptr) return;
    rt.pausedBeforeMenu = driver::paused();
    rt.menu = std::make_unique<overlay::Overlay>(chosen, fittingScale());
    if (rt.pausedBeforeMenu) {
        present();
    } else {
        setPaused(true);
    }
}

void closeMenu() {
    rt.menu.reset();
    if (rt.pausedBeforeMenu) {
        present();
    } else {
        setPaused(false);
    }
}

// What the overlay's choice comes to: the settings taken, shown and kept, or the overlay closed.
void obeyMenu(overlay::Outcome outcome) {
    if (outcome == overlay::Outcome::closed) return closeMenu();
    if (outcome == overlay::Outcome::changed) {
        const settings::Settings before = chosen;
        useSettings(rt.menu->settings());
        if (chosen.fullscreen != before.fullscreen) {
            SDL_SetWindowFullscreen(rt.sdlWindow,
                                    chosen.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        }
        if (chosen.scale != before.scale) {
            const int scale = std::min(chosen.scale.value_or(fittingScale()), fittingScale());
            SDL_SetWindowSize(rt.sdlWindow, clientWidth * scale, clientHeight * scale);
        }
        saveSettings(before);
    }
    present();
}

// The overlay's keys: the arrows move and change, Enter or Space chooses, Esc goes back; while it
// waits for an action's new key, every key but Esc is that key.
void menuKey(const SDL_KeyboardEvent& key) {
    const SDL_Keycode code = key.keysym.sym;
    if (rt.menu->waiting() && code != SDLK_ESCAPE) {
        if (key.repeat == 0) obeyMenu(rt.menu->bindKey(input::nameOfKey(code)));
        return;
    }
    using overlay::Input;
    switch (code) {
    case SDLK_UP:
        return obeyMenu(rt.menu->press(Input::up));
    case SDLK_DOWN:
        return obeyMenu(rt.menu->press(Input::down));
    case SDLK_LEFT:
        return obeyMenu(rt.menu->press(Input::left));
    case SDLK_RIGHT:
        return obeyMenu(rt.menu->press(Input::right));
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE:
        if (key.repeat == 0) obeyMenu(rt.menu->press(Input::choose));
        return;
    case SDLK_ESCAPE:
        if (key.repeat == 0) obeyMenu(rt.menu->press(Input::back));
        return;
    default:
        return;
    }
}

// The pads in the overlay: the D-pad moves and changes, the bottom button chooses, the right one
// goes back; while it waits for an action's new button, the first button pressed is that button.
void menuButtons(std::uint32_t pressed) {
    const auto& names = settings::buttonNames();
    for (std::size_t b = 0; b < names.size() && rt.menu; ++b) {
        if ((pressed >> b & 1U) == 0) continue;
        if (rt.menu->waiting()) {
            obeyMenu(rt.menu->bindButton(names[b]));
            continue;
        }
        using overlay::Input;
        constexpr std::array<std::pair<std::string_view, Input>, 6> moves{{
            {"DpadUp", Input::up},
            {"DpadDown", Input::down},
            {"DpadLeft", Input::left},
            {"DpadRight", Input::right},
            {"South", Input::choose},
            {"East", Input::back},
        }};
        for (const auto& [name, move] : moves) {
            if (names[b] == name) obeyMenu(rt.menu->press(move));
        }
    }
}

void toggleFullscreen() {
    const bool full = (SDL_GetWindowFlags(rt.sdlWindow) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    SDL_SetWindowFullscreen(rt.sdlWindow, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// A pad's pause button pauses and goes on; its give-up button held gives the stage up as F11;
// in practice its left shoulder held rewinds (only its changes count, so a pad at rest leaves
// Backspace's rewind alone).
void obeyPads() {
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) return;
    const input::PadCommands commands = input::padCommands();
    if (rt.menu) return menuButtons(commands.pressed);
    if (commands.settings) return openMenu();
    if (commands.rewind != rt.padRewinding && driver::practice::enabled()) {
        rt.padRewinding = commands.rewind;
        driver::practice::setRewinding(commands.rewind);
    }
    if (commands.pause) setPaused(!driver::paused());
    if (commands.giveUp && !driver::paused()) driver::program().loop.keys.tap(loop::KeyF11);
}

void handleWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        seam::closeWindow(&driver::program().window);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        rt.screen.invalidate();
        driver::program().loop.invalidate();
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // The window hears no more of the keyboard: nothing is held any longer.
        driver::program().loop.keys.releaseAll();
        if (chosen.pauseOnFocusLoss) setPaused(true);
        break;
    default:
        break;
    }
}

// Practice mode's keys: Backspace held rewinds, [ and ] set the speed, . steps one tick.
bool practiceKey(const SDL_KeyboardEvent& key, bool down) {
    if (!driver::practice::enabled()) return false;
    switch (key.keysym.sym) {
    case SDLK_BACKSPACE:
        driver::practice::setRewinding(down);
        return true;
    case SDLK_LEFTBRACKET:
        if (down && key.repeat == 0) driver::practice::slower();
        return true;
    case SDLK_RIGHTBRACKET:
        if (down && key.repeat == 0) driver::practice::faster();
        return true;
    case SDLK_PERIOD:
        if (down) driver::practice::step();
        return true;
    default:
        return false;
    }
}

void handleEvent(const SDL_Event& event) {
    loop::KeyLatch& keys = driver::program().loop.keys;
    seam::Window& window = driver::program().window;
    switch (event.type) {
    case SDL_QUIT: // the session is ending, or a signal: as the close box
        if (!window.destroyed) seam::closeWindow(&window);
        break;
    case SDL_WINDOWEVENT:
        handleWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
        // Alt+Enter is the desktop's fullscreen switch; F11 already means "give up".
        if (event.key.keysym.sym == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT) != 0) {
            if (event.key.repeat == 0) toggleFullscreen();
            break;
        }
        // The game never asks about Esc: it opens the settings overlay, which then has the keys.
        if (rt.menu) {
            menuKey(event.key);
            break;
        }
        if (event.key.keysym.sym == SDLK_ESCAPE) {
            if (event.key.repeat == 0) openMenu();
            break;
        }
        if (input::pausesGame(event.key.keysym.sym)) {
            if (event.key.repeat == 0) setPaused(!driver::paused());
            break;
        }
        if (practiceKey(event.key, true)) break;
        // A paused game hears no keys: none is pressed when it goes on.
        if (!driver::paused()) keys.press(input::keyOf(event.key.keysym.sym));
        break;
    case SDL_KEYUP:
        if (practiceKey(event.key, false)) break;
        keys.release(input::keyOf(event.key.keysym.sym));
        break;
    default:
        break;
    }
}

// The keyboard's state moves on while the game pauses, as the system's key state does: key
// events that arrived meanwhile reach the latch now, so the sample taken right after a pause is
// the one that sees a short press. Everything else waits for the message loop.
void takeKeyEvents() {
    SDL_PumpEvents();
    std::array<SDL_Event, 16> events{};
    int count = 0;
    while ((count = SDL_PeepEvents(events.data(), static_cast<int>(events.size()), SDL_GETEVENT,
                                   SDL_KEYDOWN, SDL_KEYUP)) > 0) {
        for (int i = 0; i < count; ++i) handleEvent(events[static_cast<std::size_t>(i)]);
    }
}

bool drawsNowhere(const char* driver) {
    return driver != nullptr &&
           (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// Asks SDL for one video driver by name, a few times: an X server that is busy accepting other
// clients can refuse a connection for a moment.
bool startVideoDriver(const char* driver) {
    constexpr int attempts = 5;
    constexpr Uint32 retryMs = 200;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) SDL_Delay(retryMs);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    }
    return false;
}

// Standard error sent nowhere while it lives: SDL's own search for a display asks the Wayland
// library even when no Wayland display is named, and its complaint ("XDG_RUNTIME_DIR is
// invalid") would come before the line that says what is wrong.
class QuietStandardError {
  public:
    QuietStandardError() : saved_(::dup(STDERR_FILENO)) {
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && nowhere >= 0) ::dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0) ::close(nowhere);
    }
    ~QuietStandardError() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    int saved_;
};

// SDL's own choice of video driver.
bool startChosenVideo() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0') return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    const QuietStandardError quiet;
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

// Brings up SDL's video on the display the environment names. SDL's own choice comes first; a
// fallback on a driver that draws nowhere (tests ask for the dummy one by name) counts only when
// no display is named, and then a game nobody can see says so instead of running.
bool startVideo(std::string& error) {
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && *asked != '\0') {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        error = std::string("cannot open the window with SDL's '") + asked +
                "' video driver: " + SDL_GetError();
        return false;
    }
    // On an X display alone, X11 is the only driver that can show the window; asking for it by
    // name keeps SDL from probing Wayland, whose library complains on stderr when an X server is
    // slow to accept the first connection.
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    const char* xDisplay = std::getenv("DISPLAY");
    if (xDisplay != nullptr && *xDisplay != '\0' &&
        (waylandDisplay == nullptr || *waylandDisplay == '\0') && startVideoDriver("x11"))
        return true;
    if (startChosenVideo()) {
        const char* chosen = SDL_GetCurrentVideoDriver();
        if (!drawsNowhere(chosen)) return true;
        error = std::string("SDL found only its '") + chosen + "' video driver";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    } else {
        error = SDL_GetError();
    }
    struct DisplayDriver {
        const char* variable;
        const char* driver;
    };
    std::string tried;
    for (const DisplayDriver display :
         {DisplayDriver{"DISPLAY", "x11"}, DisplayDriver{"WAYLAND_DISPLAY", "wayland"}}) {
        const char* name = std::getenv(display.variable);
        if (name == nullptr || *name == '\0') continue;
        if (startVideoDriver(display.driver)) return true;
        tried += std::string(tried.empty() ? "" : "; ") + "SDL's '" + display.driver +
                 "' video driver for " + display.variable + "=" + name + ": " + SDL_GetError();
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    error = tried.empty() ? "cannot open the window: no display to show it on (" + error +
                                "; neither DISPLAY nor WAYLAND_DISPLAY is set)"
                          : "cannot open the window: " + tried;
    return false;
}

// The title bar and the task switcher show the same figure as the installed icon files.
void showIcon() {
    constexpr int side = 64;
    const raster::Framebuffer picture = icon::drawIcon(side);
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, side, side, 32, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return; // the window goes without: nothing else depends on it
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                              static_cast<std::ptrdiff_t>(y) * surface->pitch);
        for (int x = 0; x < side; ++x) {
            const Uint32 g = picture.at(x, y);
            row[x] = 0xFF000000U | g << 16 | g << 8 | g;
        }
    }
    SDL_SetWindowIcon(rt.sdlWindow, surface);
    SDL_FreeSurface(surface);
}

bool createWindow(std::string& error) {
    if (!startVideo(error)) return false;
    const int scale = startScale();
    const Uint32 fullscreen = chosen.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
    rt.sdlWindow = SDL_CreateWindow(
        app::windowTitle, chosen.windowX.value_or(SDL_WINDOWPOS_CENTERED),
        chosen.windowY.value_or(SDL_WINDOWPOS_CENTERED), clientWidth * scale, clientHeight * scale,
        SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | fullscreen);
    if (rt.sdlWindow == nullptr) {
        error = std::string("cannot create the window: ") + SDL_GetError();
        return false;
    }
    SDL_SetWindowMinimumSize(rt.sdlWindow, clientWidth, clientHeight);
    showIcon();
    return rt.screen.open(rt.sdlWindow, clientWidth, clientHeight, error);
}

} // namespace

void useSettings(const settings::Settings& settings) {
    chosen = settings;
    input::bindKeys(chosen.keys);
    input::bindButtons(chosen.buttons);
    sound::setVolume(chosen.volume, chosen.mute);
}

const settings::Settings& currentSettings() {
    return chosen;
}

bool settingsOpen() {
    return rt.menu != nullptr;
}

void setPaused(bool paused) {
    if (paused == driver::paused()) return;
    driver::setPaused(paused);
    sound::setPaused(paused);
    driver::program().loop.keys.releaseAll();
    if (rt.framebuffer) present();
}

int chooseScale(const char* asked, int fitting, std::string& warning) {
    if (asked == nullptr || *asked == '\0') return fitting;
    long long scale = 0;
    if (cli::parseWholeNumber(asked, maxScale, scale) && scale > fitting) {
        warning = "KUERUMA_SCALE=" + std::to_string(scale) +
                  " makes a window larger than the screen; using " + std::to_string(fitting);
        return fitting;
    }
    if (cli::parseWholeNumber(asked, maxScale, scale) && scale >= 1) return static_cast<int>(scale);
    warning = "KUERUMA_SCALE='" + cli::printable(asked) + "' is not a scale from 1 to " +
              std::to_string(maxScale) + "; using " + std::to_string(fitting);
    return fitting;
}

namespace {

const std::string settingsHelp =
    "Settings are read from $XDG_CONFIG_HOME/kueruma/settings.toml (else\n"
    "~/.config/kueruma/settings.toml), a TOML file; every setting may be left out:\n"
    "  scale = 1..16 (the window's scale; at most what fits the screen)\n"
    "  fullscreen = true|false        window_x = N, window_y = N (where the window opens)\n"
    "  volume = 0..100                mute = true|false\n"
    "  reduced_flashing = true|false  pause_on_focus_loss = true|false (default true)\n"
    "  ghosts = true|false            timer = true|false\n"
    "  practice = true|false (as --practice, unless --play shows a script)\n"
    "  [keys] and [pad]: left, right, up, down, jump (X), kick (Z), give_up (F11), pause,\n"
    "  each a name or a list of names: [keys] jump = [\"Space\", \"X\"]; [pad] jump = \"South\".\n"
    "  Keys: A-Z, 0-9, F1-F12, Left, Right, Up, Down, Space, Return, Tab, LeftShift, LeftCtrl,\n"
    "  Keypad0-9, ... Pad buttons: South, East, West, North, Back, Start, LeftShoulder,\n"
    "  RightShoulder, LeftStick, RightStick, DpadUp, DpadDown, DpadLeft, DpadRight.\n"
    "A setting that is wrong is named (file and line) and its default used. Esc (a pad's Back\n"
    "pressed briefly) opens the settings over the paused game: the arrow keys (D-pad) move,\n"
    "Enter (A) chooses, Esc (B) goes back; every change is saved at once, keeping the rest.\n";

// The settings file, when there is one; what is wrong in it is said once and left as it is
// until the overlay saves. Practice asked for there counts unless a script is to be shown.
void useSettingsFile(record::SessionOptions& options) {
    file.path = settings::defaultPath();
    if (file.path.empty()) return;
    file.read = settings::load(file.path);
    const std::string warning = file.read.warning(file.path);
    if (!warning.empty()) std::fprintf(stderr, "kueruma: %s\n", warning.c_str());
    useSettings(file.read.settings);
    if (chosen.practice && options.playPath.empty()) options.practice = true;
}

int listBests() {
    const std::string folder = record::defaultRunsFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "kueruma: neither XDG_DATA_HOME nor HOME is set: no runs are kept\n");
        return 1;
    }
    const std::string text = record::bestsText(folder);
    std::fputs(text.c_str(), stdout);
    std::string error;
    if (cli::closeStandardOutput(error)) return 0;
    std::fprintf(stderr, "kueruma: cannot write to standard output: %s\n", error.c_str());
    return 1;
}

} // namespace

const driver::Front& front() {
    static const std::string details =
        std::string("The game in a window. Arrow keys move, X jumps and confirms, Z kicks, F11\n"
                    "gives up the stage, P or Pause pauses, Esc opens the settings, Alt+Enter\n"
                    "switches fullscreen; a joystick works too.\n") +
        record::desktopOptionsHelp + "KUERUMA_SCALE=N chooses the window's scale, from 1 to " +
        std::to_string(maxScale) + " (default: the settings', else the largest that fits).\n" +
        "Every finished stage's run is kept in $XDG_DATA_HOME/kueruma/runs (the latest " +
        std::to_string(record::keptRuns) + "\nand each stage's best).\n" + settingsHelp;
    static const driver::Front desktop{
        details,
        record::folderKeeper(record::defaultRunsFolder()),
        "neither XDG_DATA_HOME nor HOME is set: finished stages are not kept",
        nullptr,
        useSettingsFile,
        listBests,
        [] { return chosen.ghosts || chosen.timer; },
        [] { return chosen.ghosts; }};
    return desktop;
}

bool initSdl(std::string& error) {
    // Set before anything is made: crisp pixels, no waiting for the display's refresh (a pause
    // lasts what it says), and no background joystick polling (an idle title screen is idle).
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    // Joysticks count whether or not the window has the focus, as the multimedia interface does.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_Init(SDL_INIT_EVENTS) != 0) {
        error = std::string("cannot start SDL: ") + SDL_GetError();
        return false;
    }
    // A closed terminal ends the game as SIGTERM does (SDL turns that into a quit), so what
    // was recorded is kept; a game started with nohup keeps ignoring it.
    struct sigaction hangUp {};
    if (sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler != SIG_IGN) {
        std::signal(SIGHUP, [](int) { std::raise(SIGTERM); });
    }
    // Optional: without it there is no joystick. Sound starts with the game (sound::open).
    // The game-controller part brings the joystick part, and the mappings of SDL's database,
    // SDL_GAMECONTROLLERCONFIG and the file SDL_GAMECONTROLLERCONFIG_FILE names.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_IGNORE);
    SDL_GameControllerEventState(SDL_IGNORE);
    return true;
}

void shutdown() {
    sound::close();
    input::closeJoysticks();
    rt.screen.close();
    if (rt.sdlWindow != nullptr) SDL_DestroyWindow(rt.sdlWindow);
    rt.sdlWindow = nullptr;
    SDL_Quit();
}

void deliverTick() {
    if (!driver::handlePending() || driver::paused()) return;
    driver::fireTimer();
    driver::handlePending();
}

const game::PlayState& state() {
    return driver::program().shell.state();
}

const raster::Framebuffer& picture() {
    return *rt.framebuffer;
}

SDL_Window* window() {
    return rt.sdlWindow;
}

bool quitPosted() {
    return driver::program().loop.quitPosted();
}

} // namespace kueruma::sdl

// The machine's clock, SDL's window and events: a pause blocks the program.
namespace kueruma::driver {

using sdl::rt;

bool openWindow(std::string& error) {
    // The window title is Japanese: let X name it in the desktop's own character set.
    std::setlocale(LC_CTYPE, "");
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0 && !sdl::initSdl(error)) return false;
    rt = sdl::Runtime{};
    rt.framebuffer = std::make_unique<raster::Framebuffer>(sdl::clientWidth, sdl::clientHeight);
    rt.canvas = std::make_unique<raster::RasterCanvas>(*rt.framebuffer);
    if (!sdl::createWindow(error)) return false;
    // The joysticks plugged in now are the ones the shell's start-up assigns; sound is optional.
    if (SDL_WasInit(SDL_INIT_JOYSTICK) != 0) sdl::input::openJoysticks();
    sdl::sound::open();
    return true;
}

void shutDown() {
    sdl::shutdown();
}

render::PaintOptions paintOptions() {
    return {.reducedFlashing = sdl::currentSettings().reducedFlashing};
}

std::int64_t clockMs() {
    return static_cast<std::int64_t>(SDL_GetTicks64());
}

void pause(unsigned ms) {
    // The window shows every stroke drawn so far, as an unbuffered window would during the
    // pause: the clear animation's frames appear one by one.
    sdl::present();
    SDL_Delay(ms);
    sdl::takeKeyEvents();
    sdl::input::markJoysticksStale();
}

seam::Canvas* beginPaint() {
    rt.framebuffer->clear(0);
    rt.canvas->beginPaint();
    return rt.canvas.get();
}

void endPaint() {
    sdl::present();
}

bool handleEvent() {
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return false;
    sdl::handleEvent(event);
    return true;
}

void waitForEvent(std::int64_t ms) {
    int timeout = ms < 0 || ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
    // SDL sends no pad events here (an idle game costs nothing): while paused, a pad's pause
    // button is looked at a few times a second.
    constexpr int padLookMs = 50;
    const bool watchPads = driver::paused() && sdl::input::padsAttached();
    if (watchPads) timeout = std::min(timeout, padLookMs);
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeout)) sdl::handleEvent(event);
    // A rewind step is no tick (tickStarts is not called for it): practice looks at the pads
    // between ticks too, so a shoulder let go stops the rewind.
    if (watchPads || driver::practice::enabled()) sdl::obeyPads();
}

void tickStarts() {
    sdl::obeyPads();
}

void windowDestroyed() {
    SDL_HideWindow(rt.sdlWindow);
}

} // namespace kueruma::driver
