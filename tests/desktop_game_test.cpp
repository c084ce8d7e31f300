// The desktop backend's input, driven tick by tick on SDL's dummy display: a virtual joystick
// steering the title menu with its stick, D-pad and buttons, the multimedia axis scale, key
// taps and focus, a pad's run recorded and replayed, the close box, the scaled picture in the
// window, and the window scale asked for.
#include "app/menus.hpp"
#include "backends/sdl/sdl_backend.hpp"
#include "backends/sdl/sdl_input.hpp"
#include "backends/sdl/sdl_sound.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/session.hpp"
#include "files/settings/settings.hpp"
#include "game/game_state.hpp"
#include "host/driver/backend.hpp"
#include "host/driver/driver.hpp"
#include "host/driver/ghost.hpp"
#include "host/driver/practice.hpp"
#include "host/overlay/overlay.hpp"
#include "seam/machine.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kueruma {
namespace {

// The desktop game's record; every start of the game gives it a fresh value in place.
const game::GameState& gameState = sdl::state().gameState;

class DesktopGame : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string error;
        ASSERT_TRUE(sdl::initSdl(error)) << error;
    }
    void TearDown() override {
        sdl::shutdown();
        sdl::useSettings(settings::Settings{});
    }

    // A pad with two axes, four buttons and a D-pad, plugged in before the game starts.
    SDL_Joystick* plugPad() {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 1);
        EXPECT_GE(index, 0) << SDL_GetError();
        return SDL_JoystickOpen(index);
    }
    // A pad SDL maps by its buttons' places: six axes and the fifteen usual buttons, each
    // virtual button i being SDL's game-controller button i (A, B, X, Y, Back, Guide, Start, ...).
    static SDL_Joystick* plugController() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
        desc.button_mask = (1U << desc.nbuttons) - 1;
        desc.axis_mask = (1U << desc.naxes) - 1;
        desc.name = "kueruma test pad";
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        EXPECT_TRUE(SDL_IsGameController(index));
        return SDL_JoystickOpen(index);
    }
    static void unplug(SDL_Joystick* pad) {
        const SDL_JoystickID instance = SDL_JoystickInstanceID(pad);
        SDL_JoystickClose(pad);
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (SDL_JoystickGetDeviceInstanceID(index) == instance)
                SDL_JoystickDetachVirtual(index);
        }
    }
    void startGame() {
        std::string error;
        ASSERT_TRUE(driver::open({}, error)) << error;
    }
    // Begins recording the game to a file of this process's own, named from `stem`.
    static void beginRecording(const std::string& stem, std::string& file) {
        file = std::filesystem::temp_directory_path() /
               (stem + "-" + std::to_string(getpid()) + ".txt");
        std::string error;
        record::SessionOptions recording;
        recording.recordPath = file;
        ASSERT_TRUE(driver::beginSession(recording, error)) << error;
    }
    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    static void key(Uint32 type, SDL_Keycode code) {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.sym = code;
        push(event);
    }
    static void windowEvent(Uint8 what) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = what;
        push(event);
    }
    static void tap(SDL_Keycode code) {
        key(SDL_KEYDOWN, code);
        key(SDL_KEYUP, code);
        sdl::deliverTick();
    }
    // From the overlay's first item: Change keys, then Jump, each moved to with `down` and
    // taken with `choose`; the next key or button pressed is jump's.
    template <class Down, class Choose> static void toTheJumpKey(Down down, Choose choose) {
        for (int i = 0; i < 6; ++i) down();
        choose();
        for (int i = 0; i < 4; ++i) down();
        choose();
    }
    // Counts the window's pixels that differ from the picture drawn at `scale` with its top
    // left corner at (left, top) and black everywhere else.
    static int pixelsAmiss(int scale, int left, int top) {
        SDL_Surface* surface = SDL_GetWindowSurface(sdl::window());
        const raster::Framebuffer& picture = sdl::picture();
        std::array<Uint32, 256> greyToPixel{};
        for (int g = 0; g < 256; ++g) {
            const auto grey = static_cast<Uint8>(g);
            greyToPixel[static_cast<std::size_t>(g)] =
                SDL_MapRGB(surface->format, grey, grey, grey);
        }
        int amiss = 0;
        for (int y = 0; y < surface->h; ++y) {
            const auto* row = reinterpret_cast<const Uint32*>(
                static_cast<const Uint8*>(surface->pixels) + y * surface->pitch);
            for (int x = 0; x < surface->w; ++x) {
                const int px = (x - left) / scale;
                const int py = (y - top) / scale;
                const bool inside =
                    x >= left && y >= top && px < picture.width() && py < picture.height();
                if (row[x] != greyToPixel[inside ? picture.at(px, py) : 0]) ++amiss;
            }
        }
        return amiss;
    }
    static seam::JoyInfoEx read(unsigned id) {
        seam::JoyInfoEx info{};
        info.dwSize = sizeof info;
        EXPECT_EQ(seam::joystickRead(id, info), seam::joyNoError);
        return info;
    }
};

// Without a pad the two numbers wait, empty, for one plugged in later.
TEST_F(DesktopGame, WithoutAPadOnlyTheKeyboardCounts) {
    startGame();
    EXPECT_EQ(seam::joystickDeviceCount(), 2U);
    EXPECT_EQ(seam::joystickProbe(0), seam::joyNoError);
    EXPECT_NE(seam::joystickProbe(2), seam::joyNoError);
    seam::JoyInfoEx info{};
    EXPECT_NE(seam::joystickRead(0, info), seam::joyNoError);
    sdl::deliverTick();
    EXPECT_EQ(gameState.joysticks[0].up + gameState.joysticks[0].buttons[0], 0);
    EXPECT_EQ(gameState.screen, game::Title);
}

TEST_F(DesktopGame, AMappedPadJumpsWithItsBottomButtonAndMovesWithItsDPad) {
    SDL_Joystick* pad = plugController();
    startGame();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 1);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_RELEASED);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, SDL_JOYSTICK_AXIS_MAX);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 2);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 0);
    // Y (North) is nobody's by default; B and X kick, A jumps.
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_Y, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_X, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(read(0).dwButtons & 3U, 2U);
    EXPECT_EQ(gameState.screen, game::Title);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_X, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_NE(gameState.screen, game::Title);
}

TEST_F(DesktopGame, APadPluggedInLaterTakesTheFirstFreeNumber) {
    startGame();
    SDL_Joystick* first = plugController();
    SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(read(0).dwButtons & 1U, 1U);
    SDL_Joystick* second = plugPad(); // raw numbering: its button 1 is the game's button 1
    SDL_JoystickSetVirtualButton(second, 1, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(read(1).dwButtons & 3U, 2U);
    unplug(first);
    sdl::deliverTick();
    EXPECT_EQ(gameState.joysticks[0].buttons[0], 0);
    SDL_Joystick* third = plugController();
    SDL_JoystickSetVirtualButton(third, SDL_CONTROLLER_BUTTON_B, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(read(0).dwButtons & 3U, 2U);
    EXPECT_EQ(read(1).dwButtons & 3U, 2U);
    SDL_JoystickClose(second);
    SDL_JoystickClose(third);
}

TEST_F(DesktopGame, StartPausesAndBackHeldForASecondGivesUp) {
    SDL_Joystick* pad = plugController();
    startGame();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, SDL_PRESSED);
    sdl::deliverTick();
    sdl::deliverTick();
    EXPECT_TRUE(driver::paused());
    // Unplugged while paused: nothing breaks, and the keyboard ends the pause.
    unplug(pad);
    tap(SDLK_p);
    EXPECT_FALSE(driver::paused());
    pad = plugController();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_BACK, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(seam::asyncKeyState(seam::keyF11), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1050));
    sdl::deliverTick();
    EXPECT_NE(seam::asyncKeyState(seam::keyF11), 0);
    sdl::deliverTick();
    EXPECT_EQ(seam::asyncKeyState(seam::keyF11), 0); // once, however long it is held
    SDL_JoystickClose(pad);
}

// In practice the left shoulder rewinds while held, seen between ticks too; a pad at rest
// leaves Backspace's rewind alone.
TEST_F(DesktopGame, InPracticeALeftShoulderHeldRewindsUntilLetGo) {
    SDL_Joystick* pad = plugController();
    driver::practice::enable({});
    startGame();
    for (int i = 0; i < 5; ++i) sdl::deliverTick();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_PRESSED);
    driver::waitForEvent(0);
    sdl::deliverTick();
    sdl::deliverTick();
    EXPECT_EQ(driver::practice::rewinds(), 2);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_RELEASED);
    driver::waitForEvent(0);
    sdl::deliverTick();
    EXPECT_EQ(driver::practice::rewinds(), 2);
    key(SDL_KEYDOWN, SDLK_BACKSPACE);
    sdl::deliverTick();
    driver::waitForEvent(0);
    sdl::deliverTick();
    EXPECT_EQ(driver::practice::rewinds(), 4);
    driver::practice::disable();
    SDL_JoystickClose(pad);
}

TEST_F(DesktopGame, PadsPluggedInAtStartFillTheTwoSlotsInOrder) {
    plugPad();
    plugPad();
    plugPad();
    startGame();
    EXPECT_EQ(seam::joystickDeviceCount(), 3U);
    EXPECT_EQ(gameState.joysticks[0].deviceId, 0);
    EXPECT_EQ(gameState.joysticks[1].deviceId, 1);
}

TEST_F(DesktopGame, TheStickAndTheDPadSteerTheTitleMenuAndButtonOneConfirms) {
    SDL_Joystick* pad = plugPad();
    startGame();
    ASSERT_EQ(gameState.joysticks[0].present, 1);

    SDL_JoystickSetVirtualAxis(pad, 1, SDL_JOYSTICK_AXIS_MAX);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 1);
    SDL_JoystickSetVirtualAxis(pad, 1, 0); // back to the centre: no move
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 1);

    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_DOWN);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 2);
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_CENTERED);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 2);

    // Button 2 is "cancel", which the title ignores; button 1 chooses "NewGame".
    SDL_JoystickSetVirtualButton(pad, 1, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(gameState.screen, game::Title);
    SDL_JoystickSetVirtualButton(pad, 1, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(gameState.screen, game::StageIntro);
    EXPECT_EQ(gameState.stageIndex, 0);
}

TEST_F(DesktopGame, AxesSpanTheMultimediaScaleAndTheDPadPushesThemAllTheWay) {
    SDL_Joystick* pad = plugPad();
    startGame();
    struct Case {
        Sint16 sdl;
        std::uint32_t expected;
    };
    // -16384 lands on 0x4000, the first centred value; one step further is left or up.
    for (const Case c : {Case{-32768, 0x0000}, Case{-16385, 0x3FFF}, Case{-16384, 0x4000},
                         Case{0, 0x8000}, Case{16383, 0xBFFF}, Case{32767, 0xFFFF}}) {
        SDL_JoystickSetVirtualAxis(pad, 0, c.sdl);
        SDL_JoystickSetVirtualAxis(pad, 1, c.sdl);
        sdl::deliverTick();
        const seam::JoyInfoEx info = read(0);
        EXPECT_EQ(info.dwXpos, c.expected) << c.sdl;
        EXPECT_EQ(info.dwYpos, c.expected) << c.sdl;
    }

    SDL_JoystickSetVirtualAxis(pad, 0, 0);
    SDL_JoystickSetVirtualAxis(pad, 1, 0);
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_LEFTUP);
    sdl::deliverTick();
    EXPECT_EQ(read(0).dwXpos, 0U);
    EXPECT_EQ(read(0).dwYpos, 0U);
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_RIGHTDOWN);
    sdl::deliverTick();
    EXPECT_EQ(read(0).dwXpos, 0xFFFFU);
    EXPECT_EQ(read(0).dwYpos, 0xFFFFU);
    // The D-pad fills in where the stick is centred, and leaves a pushed stick alone.
    SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MIN);
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_RIGHTUP);
    sdl::deliverTick();
    EXPECT_EQ(read(0).dwXpos, 0U);
    EXPECT_EQ(read(0).dwYpos, 0U);
    SDL_JoystickSetVirtualAxis(pad, 0, 0);

    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_CENTERED);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(pad, 3, SDL_PRESSED);
    sdl::deliverTick();
    EXPECT_EQ(read(0).dwButtons, 0b1001U);
    EXPECT_EQ(gameState.joysticks[0].buttons[3], 1);
    EXPECT_EQ(gameState.input.z, 0); // buttons beyond the second feed no input flag
}

// An unplugged pad lets go of what it held; plugged in again, it is read again in its slot.
TEST_F(DesktopGame, AnUnpluggedPadLetsGoAndIsReadAgainWhenPluggedBackIn) {
    SDL_Joystick* pad = plugPad();
    startGame();
    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MIN);
    sdl::deliverTick();
    EXPECT_EQ(gameState.joysticks[0].left, 1);
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(0);
    sdl::deliverTick();
    seam::JoyInfoEx gone{};
    EXPECT_NE(seam::joystickRead(0, gone), seam::joyNoError);
    EXPECT_EQ(gameState.joysticks[0].left, 0);
    EXPECT_EQ(gameState.input.left, 0);

    pad = plugPad();
    SDL_JoystickSetVirtualAxis(pad, 1, SDL_JOYSTICK_AXIS_MAX);
    sdl::deliverTick();
    EXPECT_EQ(seam::joystickProbe(0), seam::joyNoError);
    EXPECT_EQ(gameState.joysticks[0].down, 1);
    EXPECT_EQ(gameState.input.down, 1);
}

TEST_F(DesktopGame, AKeyTappedBetweenTwoTicksCountsOnce) {
    startGame();
    key(SDL_KEYDOWN, SDLK_DOWN);
    key(SDL_KEYUP, SDLK_DOWN);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 1);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 1);
}

// Only what changed reaches the window; after many such frames of a scrolling stage, and after
// the window is made larger, it still shows the whole picture, each pixel a square, with black
// bars around it.
TEST_F(DesktopGame, TheWindowShowsThePictureAtAWholeScaleWithBlackBars) {
    // Twice the size, larger than the dummy display, which KUERUMA_SCALE=2 no longer makes.
    startGame();
    SDL_SetWindowSize(sdl::window(), 1264, 866);
    tap(SDLK_DOWN);
    tap(SDLK_DOWN);
    tap(SDLK_x);
    for (int tick = 0; tick < 60; ++tick) sdl::deliverTick();
    ASSERT_EQ(gameState.screen, game::Play);
    EXPECT_EQ(pixelsAmiss(2, 0, 0), 0);

    SDL_SetWindowSize(sdl::window(), 1500, 1000);
    sdl::deliverTick();
    EXPECT_EQ(pixelsAmiss(2, (1500 - 1264) / 2, (1000 - 866) / 2), 0);
    SDL_SetWindowSize(sdl::window(), 1900, 1400);
    for (int tick = 0; tick < 5; ++tick) sdl::deliverTick();
    EXPECT_EQ(pixelsAmiss(3, (1900 - 1896) / 2, (1400 - 1299) / 2), 0);
}

// Keys pressed during the pause that ends a stage count only in the sample taken right after it,
// which is thrown away: a tap of X does not restart the stage; a key still held stays down.
TEST_F(DesktopGame, ATapDuringTheEndOfStagePauseDoesNotReachTheResultScreen) {
    startGame();
    tap(SDLK_DOWN);
    tap(SDLK_DOWN);
    tap(SDLK_x);
    sdl::deliverTick(); // the intro's pause
    ASSERT_EQ(gameState.screen, game::Play);
    tap(SDLK_F11); // gives up: the next tick pauses for a second
    ASSERT_FALSE(gameState.running);
    std::thread duringThePause([] {
        SDL_Delay(200);
        key(SDL_KEYDOWN, SDLK_x);
        key(SDL_KEYUP, SDLK_x);
        key(SDL_KEYDOWN, SDLK_UP);
    });
    sdl::deliverTick();
    duringThePause.join();
    ASSERT_EQ(gameState.screen, game::Result);
    sdl::deliverTick();
    EXPECT_EQ(gameState.screen, game::Result);
    EXPECT_EQ(gameState.input.x, 0);
    EXPECT_EQ(gameState.input.up, 1);
}

TEST_F(DesktopGame, KeysHeldWhenTheWindowLosesTheFocusAreReleased) {
    startGame();
    key(SDL_KEYDOWN, SDLK_DOWN);
    sdl::deliverTick();
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 2); // held: one step a tick
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 2);
}

TEST_F(DesktopGame, AltEnterSwitchesFullscreenWithoutPressingAnyGameKey) {
    startGame();
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_RETURN;
    event.key.keysym.mod = KMOD_LALT;
    push(event);
    key(SDL_KEYDOWN, SDLK_F11);
    key(SDL_KEYUP, SDLK_F11);
    sdl::deliverTick();
    EXPECT_EQ(seam::asyncKeyState(seam::keyF11), 1);
    EXPECT_EQ(gameState.screen, game::Title);
}

// What a tick left on the screen, to compare a run with its replay.
struct Seen {
    int screen;
    int score;
    double posX;
    bool operator==(const Seen&) const = default;
};

Seen seen() {
    const game::PlayState& s = sdl::state();
    return {s.gameState.screen, s.figure.score, s.figure.posX};
}

// The last trace line of the headless runner replaying `script`.
std::string lastTraceLine(const std::string& script) {
    std::FILE* trace = popen(("./kueruma-replay --trace " + script).c_str(), "r");
    std::string line;
    std::string last;
    char buffer[8192];
    while (std::fgets(buffer, sizeof buffer, trace) != nullptr) {
        line += buffer;
        if (line.back() == '\n') last = std::move(line), line.clear();
    }
    EXPECT_EQ(pclose(trace), 0);
    return last;
}

TEST_F(DesktopGame, APadsRunIsRecordedAndReplaysTickForTick) {
    std::string file;
    ASSERT_NO_FATAL_FAILURE(beginRecording("kueruma-pad-run", file));
    std::string error;
    SDL_Joystick* pad = plugPad();
    startGame();
    std::vector<Seen> played;
    auto tick = [&] {
        sdl::deliverTick();
        played.push_back(seen());
    };
    // Down twice to "NewGame" with the D-pad and the stick, button 1 to start, then right
    // with kicks and jumps, and F11 on the keyboard gives up.
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_DOWN);
    tick();
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_CENTERED);
    SDL_JoystickSetVirtualAxis(pad, 1, SDL_JOYSTICK_AXIS_MAX);
    tick();
    SDL_JoystickSetVirtualAxis(pad, 1, 0);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
    tick();
    SDL_JoystickSetVirtualButton(pad, 0, SDL_RELEASED);
    SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MAX);
    for (int i = 0; i < 60; ++i) {
        SDL_JoystickSetVirtualButton(pad, i % 20 < 10 ? 1 : 0, i % 5 == 0);
        tick();
    }
    key(SDL_KEYDOWN, SDLK_F11);
    key(SDL_KEYUP, SDLK_F11);
    tick();
    tick();
    ASSERT_EQ(gameState.screen, game::Result);
    ASSERT_TRUE(driver::finishSession(error)) << error;

    // The headless runner ends on the same screen with the same score and place.
    const std::string last = lastTraceLine(file);
    EXPECT_NE(last.find("\"tick\":" + std::to_string(played.size()) + ","), std::string::npos);
    EXPECT_NE(last.find("\"screen\":4,"), std::string::npos) << last;
    EXPECT_NE(last.find("\"score\":" + std::to_string(played.back().score) + ","),
              std::string::npos)
        << last;
    char expected[64];
    std::snprintf(expected, sizeof expected, "\"posX\":%.17g,", played.back().posX);
    EXPECT_NE(last.find(expected), std::string::npos) << last;

    // Shown in the window with the pad still plugged in, it plays the same ticks: the pad
    // counts for nothing until the script has run out.
    sdl::shutdown();
    std::string sdlError;
    ASSERT_TRUE(sdl::initSdl(sdlError)) << sdlError;
    record::SessionOptions showing;
    showing.playPath = file;
    ASSERT_TRUE(driver::beginSession(showing, error)) << error;
    pad = plugPad();
    SDL_JoystickSetVirtualAxis(pad, 0, SDL_JOYSTICK_AXIS_MIN);
    startGame();
    for (std::size_t i = 0; i < played.size(); ++i) {
        sdl::deliverTick();
        ASSERT_EQ(seen(), played[i]) << "tick " << i + 1;
    }
    EXPECT_FALSE(driver::showingScript());
    ASSERT_TRUE(driver::finishSession(error)) << error;
    std::filesystem::remove(file);
}

TEST_F(DesktopGame, ReboundKeysReachTheGameAsTheKeysTheyStandFor) {
    for (std::string_view name : settings::keyNames()) {
        EXPECT_NE(sdl::input::keyNamed(name), SDLK_UNKNOWN) << name;
    }
    settings::Settings chosen;
    chosen.keys[static_cast<std::size_t>(settings::Action::down)] = {"S", "Keypad2"};
    chosen.keys[static_cast<std::size_t>(settings::Action::jump)] = {"Space"};
    sdl::useSettings(chosen);
    startGame();
    tap(SDLK_DOWN); // no longer bound
    EXPECT_EQ(gameState.cursor, 0);
    tap(SDLK_s);
    tap(SDLK_KP_2);
    EXPECT_EQ(gameState.cursor, 2);
    tap(SDLK_x);
    EXPECT_EQ(gameState.screen, game::Title);
    tap(SDLK_SPACE);
    EXPECT_NE(gameState.screen, game::Title);
}

TEST_F(DesktopGame, APauseStopsTheClockAndDimsOnlyTheWindow) {
    startGame();
    tap(SDLK_DOWN);
    const std::vector<std::uint8_t> before(
        sdl::picture().data(), sdl::picture().data() + sdl::clientWidth * sdl::clientHeight);
    EXPECT_EQ(pixelsAmiss(1, 0, 0), 0);
    tap(SDLK_p);
    // Keys held while paused do nothing, now or after.
    key(SDL_KEYDOWN, SDLK_DOWN);
    for (int i = 0; i < 5; ++i) sdl::deliverTick();
    EXPECT_EQ(gameState.cursor, 1);
    EXPECT_GT(pixelsAmiss(1, 0, 0), 500); // dimmed, under the mark
    EXPECT_TRUE(std::equal(before.begin(), before.end(), sdl::picture().data()));
    tap(SDLK_PAUSE);
    EXPECT_EQ(pixelsAmiss(1, 0, 0), 0);
    EXPECT_EQ(gameState.cursor, 1);
    // Losing the focus pauses too, unless the settings say not to.
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    tap(SDLK_DOWN);
    EXPECT_EQ(gameState.cursor, 1);
    tap(SDLK_p);
    tap(SDLK_DOWN);
    EXPECT_EQ(gameState.cursor, 2);
    settings::Settings chosen;
    chosen.pauseOnFocusLoss = false;
    sdl::useSettings(chosen);
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    tap(SDLK_UP);
    EXPECT_EQ(gameState.cursor, 1);
}

// Ticks are ticks: a run recorded across three seconds of pause holds the ticks of the time it
// was not paused, and replays to where the window got.
TEST_F(DesktopGame, ARunRecordedAcrossAPauseHoldsOnlyTheTicksPlayed) {
    std::string file;
    ASSERT_NO_FATAL_FAILURE(beginRecording("kueruma-paused-run", file));
    std::string error;
    startGame();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::duration pausedFor{};
    std::thread player([&] {
        const auto press = [](SDL_Keycode code) {
            for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
                SDL_Event event{};
                event.type = type;
                event.key.keysym.sym = code;
                SDL_PushEvent(&event);
            }
        };
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        press(SDLK_DOWN);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const Clock::time_point paused = Clock::now();
        press(SDLK_p);
        std::this_thread::sleep_for(std::chrono::seconds(3));
        press(SDLK_p);
        pausedFor = Clock::now() - paused;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        press(SDLK_DOWN);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });
    EXPECT_EQ(driver::run(), 0);
    const Clock::duration played = Clock::now() - start - pausedFor;
    player.join();
    EXPECT_EQ(gameState.cursor, 2);
    ASSERT_TRUE(driver::finishSession(error)) << error;
    const long expected = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(played).count() / app::titlePeriodMs);
    const std::string last = lastTraceLine(file);
    const std::size_t at = last.find("\"tick\":");
    ASSERT_NE(at, std::string::npos) << last;
    const long ticks = std::strtol(last.c_str() + at + 7, nullptr, 10);
    EXPECT_LE(std::abs(ticks - expected), 2) << ticks << " ticks, " << expected << " expected";
    EXPECT_NE(last.find("\"cursor\":2,"), std::string::npos) << last;
    std::filesystem::remove(file);
}

// The ghosts setting plays each stage beside its pinned best, drawn in the picture; the timer
// and the score against the best show in the window only. Either is read as a stage begins.
TEST_F(DesktopGame, TheGhostsAndTimerSettingsBringTheStagesBestAndALineInTheWindowOnly) {
    const std::filesystem::path data =
        std::filesystem::temp_directory_path() / ("kueruma-ghosts-" + std::to_string(getpid()));
    std::filesystem::remove_all(data);
    std::filesystem::create_directories(data / "kueruma" / "runs");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    std::ofstream(data / "kueruma" / "runs" / "20260101-000000-stage-0-score-40.txt")
        << "# replay: kueruma-replay --stage 0 best.txt\n1 -\n60 RX\n";
    std::string error;
    ASSERT_TRUE(driver::beginSession({}, error)) << error;
    driver::followGhosts(sdl::front());
    startGame();
    const auto playStage = [&](bool ghosts, bool timer) {
        settings::Settings chosen;
        chosen.ghosts = ghosts;
        chosen.timer = timer;
        sdl::useSettings(chosen);
        tap(SDLK_x); // NewGame from the title, Replay from the result
        for (int i = 0; i < 20; ++i) sdl::deliverTick();
        ASSERT_EQ(gameState.screen, game::Play);
        EXPECT_EQ(driver::ghost::figure() != nullptr, ghosts);
        const auto standing = driver::ghost::standing(sdl::state());
        ASSERT_TRUE(standing);
        EXPECT_EQ(standing->ticks, 20);
        EXPECT_EQ(standing->againstGhost, ghosts || timer);
        EXPECT_EQ(pixelsAmiss(1, 0, 0) > 0, ghosts || timer);
        key(SDL_KEYDOWN, SDLK_F11);
        sdl::deliverTick();
        key(SDL_KEYUP, SDLK_F11);
        sdl::deliverTick();
        ASSERT_EQ(gameState.screen, game::Result);
        EXPECT_EQ(pixelsAmiss(1, 0, 0), 0);
    };
    tap(SDLK_DOWN);
    tap(SDLK_DOWN);
    playStage(false, false);
    playStage(true, false);
    playStage(false, true);
    driver::ghost::stop();
    ASSERT_TRUE(driver::finishSession(error)) << error;
    std::filesystem::remove_all(data);
    unsetenv("XDG_DATA_HOME");
}

TEST(GhostLine, TheScoreAgainstTheGhostThenTheTimeAndTheSplitOnceTheGhostsStageIsKnown) {
    using driver::ghost::standingLine;
    EXPECT_EQ(standingLine({312, true, 120, -1}, false), "+120");
    EXPECT_EQ(standingLine({312, false, 0, -1}, false), "");
    EXPECT_EQ(standingLine({20, false, 0, -1}, true), "tick 20  1.00 s");
    EXPECT_EQ(standingLine({312, true, -40, 480}, true), "-40  tick 312  15.60 s  split -168");
}

// The settings overlay: Esc opens it over the still game (tapped or held for a long time, it
// only opens and closes), its keys reach only it, a key changed is saved at once and taken by the
// game, and a save that fails says so once while the game goes on.
TEST_F(DesktopGame, EscOpensTheSettingsOverTheStillGameAndEachChangeIsSaved) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kueruma-overlay-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    record::SessionOptions options;
    sdl::front().prepare(options);
    EXPECT_FALSE(std::filesystem::exists(folder)); // nothing written until something changes
    startGame();
    const std::vector<std::uint8_t> before(
        sdl::picture().data(), sdl::picture().data() + sdl::clientWidth * sdl::clientHeight);
    for (int i = 0; i < 2001; ++i) tap(SDLK_ESCAPE);
    SDL_Event held{};
    held.type = SDL_KEYDOWN;
    held.key.keysym.sym = SDLK_ESCAPE;
    held.key.repeat = 1;
    for (int i = 0; i < 500; ++i) push(held);
    sdl::deliverTick();
    EXPECT_TRUE(sdl::settingsOpen() && driver::paused());
    EXPECT_GT(pixelsAmiss(1, 0, 0), 5000);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), sdl::picture().data()));
    // Change keys, Jump, then Space.
    toTheJumpKey([] { tap(SDLK_DOWN); }, [] { tap(SDLK_RETURN); });
    tap(SDLK_SPACE);
    const std::size_t jump = static_cast<std::size_t>(settings::Action::jump);
    EXPECT_EQ(sdl::currentSettings().keys[jump], std::vector<std::string>{"Space"});
    const std::string path = (folder / "kueruma" / "settings.toml").string();
    EXPECT_EQ(settings::load(path).settings.keys[jump], std::vector<std::string>{"Space"});
    tap(SDLK_ESCAPE);
    tap(SDLK_ESCAPE);
    EXPECT_FALSE(sdl::settingsOpen() || driver::paused());
    EXPECT_EQ(pixelsAmiss(1, 0, 0), 0);
    EXPECT_EQ(gameState.cursor, 0); // the overlay's arrows never reached the game
    // Practice asked for in the file counts from the next start, unless a script is shown.
    std::string saved = settings::load(path).text;
    saved.replace(saved.find("practice = false"), 16, "practice = true");
    std::ofstream(path) << saved;
    sdl::front().prepare(options);
    EXPECT_TRUE(options.practice);
    record::SessionOptions showing;
    showing.playPath = "run.txt";
    sdl::front().prepare(showing);
    EXPECT_FALSE(showing.practice);
    // A folder that cannot be made: each change says so, once, and the game goes on.
    std::filesystem::remove_all(folder);
    std::ofstream(folder.string()) << "not a folder";
    sdl::front().prepare(options);
    tap(SDLK_ESCAPE);
    testing::internal::CaptureStderr();
    tap(SDLK_DOWN);
    tap(SDLK_DOWN);
    tap(SDLK_LEFT);
    tap(SDLK_LEFT);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(sdl::currentSettings().volume, 100 - 2 * overlay::volumeStep);
    EXPECT_EQ(said.rfind("kueruma: the settings are not saved: cannot make the folder ", 0), 0u)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    tap(SDLK_ESCAPE);
    tap(SDLK_x); // the defaults again: that file could not be read
    EXPECT_NE(gameState.screen, game::Title);
    std::filesystem::remove_all(folder);
}

// A pad's Back pressed briefly opens the overlay (held, it still gives up), the D-pad and the
// bottom button move and choose, and a pad unplugged while a key is awaited leaves the keyboard.
TEST_F(DesktopGame, APadOpensTheSettingsAndUnpluggedWhileRebindingLeavesTheKeys) {
    SDL_Joystick* pad = plugController();
    startGame();
    const auto press = [pad](SDL_GameControllerButton button) {
        SDL_JoystickSetVirtualButton(pad, button, SDL_PRESSED);
        driver::waitForEvent(0);
        SDL_JoystickSetVirtualButton(pad, button, SDL_RELEASED);
        driver::waitForEvent(0);
    };
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_BACK, SDL_PRESSED);
    sdl::deliverTick();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_BACK, SDL_RELEASED);
    sdl::deliverTick();
    ASSERT_TRUE(sdl::settingsOpen());
    EXPECT_EQ(seam::asyncKeyState(seam::keyF11), 0);
    toTheJumpKey([&] { press(SDL_CONTROLLER_BUTTON_DPAD_DOWN); },
                 [&] { press(SDL_CONTROLLER_BUTTON_A); });
    press(SDL_CONTROLLER_BUTTON_Y);
    const std::size_t jump = static_cast<std::size_t>(settings::Action::jump);
    EXPECT_EQ(sdl::currentSettings().buttons[jump], std::vector<std::string>{"North"});
    press(SDL_CONTROLLER_BUTTON_A); // Kick's turn now
    unplug(pad);
    driver::waitForEvent(0);
    sdl::deliverTick();
    EXPECT_TRUE(sdl::settingsOpen());
    tap(SDLK_c);
    EXPECT_EQ(sdl::currentSettings().keys[static_cast<std::size_t>(settings::Action::kick)],
              std::vector<std::string>{"C"});
    tap(SDLK_ESCAPE);
    tap(SDLK_ESCAPE);
    EXPECT_FALSE(sdl::settingsOpen() || driver::paused());
    sdl::useSettings(settings::Settings{});
}

TEST_F(DesktopGame, TheCloseBoxEndsTheProgramWithStatusZero) {
    startGame();
    windowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(driver::run(), 0);
    EXPECT_TRUE(sdl::quitPosted());
}

// A display that cannot be reached is named with the driver tried and SDL's own words, not
// mistaken for no display at all.
TEST_F(DesktopGame, AnUnreachableDisplayIsNamedWithTheDriverTried) {
    const std::string display = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
    const std::string wayland =
        std::getenv("WAYLAND_DISPLAY") != nullptr ? std::getenv("WAYLAND_DISPLAY") : "";
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    setenv("DISPLAY", ":65534", 1);
    std::string error;
    EXPECT_FALSE(driver::open({}, error));
    EXPECT_NE(error.find("'x11' video driver for DISPLAY=:65534: "), std::string::npos) << error;
    EXPECT_EQ(error.find("not set"), std::string::npos) << error;
    for (const auto& [name, value] :
         {std::pair{"DISPLAY", display}, {"WAYLAND_DISPLAY", wayland}}) {
        if (!value.empty())
            setenv(name, value.c_str(), 1);
        else
            unsetenv(name);
    }
}

TEST(WindowScale, KuerumaScaleIsTakenWhenItIsOneToSixteenAndNamedWhenItIsNot) {
    std::string warning;
    EXPECT_EQ(sdl::chooseScale(nullptr, 2, warning), 2);
    EXPECT_EQ(sdl::chooseScale("3", 3, warning), 3);
    EXPECT_EQ(sdl::chooseScale("1", 2, warning), 1);
    EXPECT_EQ(sdl::chooseScale("16", 16, warning), 16);
    EXPECT_EQ(warning, "");
    for (const char* bad : {"0", "17", "-1", "abc", "99999", "4294967298", " 2"}) {
        warning.clear();
        EXPECT_EQ(sdl::chooseScale(bad, 2, warning), 2) << bad;
        EXPECT_EQ(warning,
                  std::string("KUERUMA_SCALE='") + bad + "' is not a scale from 1 to 16; using 2")
            << bad;
    }
}

// A scale whose window would be larger than the screen is lowered to the largest that fits,
// said in one line.
TEST(WindowScale, AScaleLargerThanTheScreenIsLoweredWithOneLine) {
    std::string warning;
    EXPECT_EQ(sdl::chooseScale("3", 1, warning), 1);
    EXPECT_EQ(warning, "KUERUMA_SCALE=3 makes a window larger than the screen; using 1");
}

} // namespace
} // namespace kueruma
