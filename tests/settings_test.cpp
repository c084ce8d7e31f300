// The settings file: what each setting reads as, every hostile file ending in one warning that
// names the file, the line and what is wrong (with the defaults for what was bad and the rest
// kept), the file's place, and saving that keeps what it does not know and never loses a file it
// could not read; the swap rule of a key rebound, and the settings overlay's choices and picture.
#include "files/settings/settings.hpp"
#include "host/overlay/overlay.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kueruma::settings {
namespace {

namespace fs = std::filesystem;
using Key = std::vector<std::string>;

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kueruma-settings-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / "settings.toml").string();
    }
    void TearDown() override { fs::remove_all(folder_); }
    void write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
    std::string contents(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path folder_;
    std::string path_;
};

TEST_F(SettingsFile, NoFileAndAnEmptyFileAreTheGameAsItAlwaysWas) {
    const Loaded none = load(path_);
    EXPECT_FALSE(none.exists);
    EXPECT_TRUE(none.problems.empty());
    EXPECT_EQ(none.settings, Settings{});
    write("");
    EXPECT_EQ(load(path_).settings, Settings{});
    EXPECT_EQ(load(path_).warning(path_), "");
    const Settings defaults;
    EXPECT_FALSE(defaults.scale);
    EXPECT_EQ(defaults.keys[static_cast<std::size_t>(Action::jump)], Key{"X"});
    EXPECT_EQ(defaults.keys[static_cast<std::size_t>(Action::kick)], Key{"Z"});
    EXPECT_EQ(defaults.keys[static_cast<std::size_t>(Action::giveUp)], Key{"F11"});
    EXPECT_TRUE(defaults.pauseOnFocusLoss);
    EXPECT_FALSE(defaults.ghosts || defaults.timer || defaults.reducedFlashing || defaults.mute ||
                 defaults.practice);
}

TEST_F(SettingsFile, EverySettingIsRead) {
    write("scale = 5\nfullscreen = true\nwindow_x = -20\nwindow_y = 40\nvolume = 0\nmute = true\n"
          "reduced_flashing = true\npause_on_focus_loss = false\nghosts = true\ntimer = true\n"
          "practice = true\n"
          "[keys]\njump = \"space\"\nkick = [\"LeftCtrl\", \"keypad0\"]\n"
          "[pad]\njump = \"North\"\n");
    const Loaded loaded = load(path_);
    ASSERT_EQ(loaded.warning(path_), "");
    const Settings& s = loaded.settings;
    EXPECT_EQ(s.scale, 5);
    EXPECT_TRUE(s.fullscreen && s.mute && s.reducedFlashing && s.ghosts && s.timer && s.practice);
    EXPECT_FALSE(s.pauseOnFocusLoss);
    EXPECT_EQ(s.windowX, -20);
    EXPECT_EQ(s.windowY, 40);
    EXPECT_EQ(s.volume, 0);
    // Names are taken in any case and kept as the list spells them.
    EXPECT_EQ(s.keys[static_cast<std::size_t>(Action::jump)], Key{"Space"});
    EXPECT_EQ(s.keys[static_cast<std::size_t>(Action::kick)], (Key{"LeftCtrl", "Keypad0"}));
    EXPECT_EQ(s.keys[static_cast<std::size_t>(Action::left)], Key{"Left"});
    EXPECT_EQ(s.buttons[static_cast<std::size_t>(Action::jump)], Key{"North"});
}

// Each hostile file: the one warning it must give, and what it must still keep.
struct Hostile {
    const char* name;
    std::string text;
    std::string warning; // after "PATH"
};

TEST_F(SettingsFile, AHostileFileGivesOneWarningAndKeepsWhatIsRight) {
    const std::string big(maxFileBytes + 1, '#');
    const Hostile cases[] = {
        {"bad TOML", "volume = 50\nscale = = 2\n", ":2: not TOML: "},
        {"a key twice", "volume = 50\nvolume = 60\n", ":2: not TOML: "},
        {"binary", std::string("volume = 50\n\x01\x00\xff", 15), ":2: is not text (a NUL byte)"},
        {"not UTF-8", "volume = 50\nmute = \"\xff\xfe\"\n", ":2: not TOML: "},
        {"wrong type", "volume = \"loud\"\nmute = true\n",
         ":1: volume is a string, not a whole number"},
        {"not a flag", "mute = true\nfullscreen = 1\n",
         ":2: fullscreen is a whole number, not true or false"},
        {"out of range", "volume = 101\nmute = true\n", ":1: volume = 101 is not from 0 to 100"},
        {"huge number", "mute = true\nscale = 99999999999999\n",
         ":2: scale = 99999999999999 is not from 1 to 16"},
        {"scale 0", "mute = true\nscale = 0\n", ":2: scale = 0 is not from 1 to 16"},
        {"a fraction", "mute = true\nvolume = 50.5\n",
         ":2: volume is a number with a fraction, not a whole number"},
        {"unknown key name", "mute = true\n[keys]\njump = \"Spcae\"\n",
         ":3: keys.jump: 'Spcae' is not a name the game knows"},
        {"unknown button", "mute = true\n[pad]\njump = [\"South\", 3]\n",
         ":3: pad.jump is a whole number, not a name or a list of names"},
        {"no key at all", "mute = true\n[keys]\njump = []\n",
         ":3: keys.jump is empty: an action needs at least one"},
        {"keys not a table", "mute = true\nkeys = 3\n", ":2: keys is a whole number, not a table"},
        {"one key for everything",
         "mute = true\n[keys]\nleft = \"X\"\nright = \"X\"\nup = \"X\"\njump = \"X\"\n",
         ":3: key X of left is also right's; it stays right's (and 2 more: lines 4, 5)"},
        {"an only key taken", "mute = true\n[keys]\nleft = \"X\"\n",
         ":3: key X of left is also jump's; it stays jump's"},
        {"huge", big, ": is larger than 64 KB"},
    };
    for (const Hostile& hostile : cases) {
        SCOPED_TRACE(hostile.name);
        write(hostile.text);
        const Loaded loaded = load(path_);
        const std::string warning = loaded.warning(path_);
        EXPECT_EQ(warning.rfind(path_ + hostile.warning, 0), 0u) << warning;
        EXPECT_EQ(warning.find('\n'), std::string::npos);
        EXPECT_NE(warning.find("the defaults stand for what is wrong"), std::string::npos);
        // Where the file could be read, what was right is kept.
        if (hostile.warning.find("TOML") == std::string::npos &&
            hostile.text.find('\0') == std::string::npos && hostile.text.size() < maxFileBytes) {
            EXPECT_TRUE(loaded.settings.mute);
        }
        // Every action keeps at least one key, and no key does two things.
        std::vector<std::string> seen;
        for (const Key& keys : loaded.settings.keys) {
            EXPECT_FALSE(keys.empty());
            for (const std::string& key : keys) {
                EXPECT_EQ(std::count(seen.begin(), seen.end(), key), 0) << key;
                seen.push_back(key);
            }
        }
    }
}

TEST_F(SettingsFile, AKeyTheFileNamesIsTakenFromAnActionThatHasAnother) {
    write("[keys]\njump = \"P\"\n");
    const Loaded loaded = load(path_);
    EXPECT_EQ(loaded.warning(path_), "");
    EXPECT_EQ(loaded.settings.keys[static_cast<std::size_t>(Action::jump)], Key{"P"});
    EXPECT_EQ(loaded.settings.keys[static_cast<std::size_t>(Action::pause)], Key{"Pause"});
}

TEST_F(SettingsFile, ALinkAFifoAndAFolderAreNotReadAndNeverWaitedOn) {
    std::ofstream(folder_ / "real.toml") << "mute = true\n";
    fs::create_symlink(folder_ / "real.toml", path_);
    EXPECT_EQ(load(path_).warning(path_),
              path_ + ": is a symbolic link; settings are read only from a plain file; the "
                      "defaults stand for what is wrong");
    EXPECT_FALSE(load(path_).settings.mute);
    fs::remove(path_);
    fs::create_symlink("/dev/zero", path_);
    EXPECT_NE(load(path_).warning(path_), "");
    fs::remove(path_);
    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    EXPECT_EQ(load(path_).warning(path_).rfind(path_ + ": is not a plain file", 0), 0u);
    fs::remove(path_);
    fs::create_directory(path_);
    EXPECT_EQ(load(path_).warning(path_).rfind(path_ + ": is not a plain file", 0), 0u);
}

TEST_F(SettingsFile, SavingKeepsWhatItDoesNotKnowAndReadsBackTheSame) {
    write("future_setting = \"kept\"\n[keys]\njump = \"Space\"\ndodge = \"C\"\n");
    const Loaded loaded = load(path_);
    ASSERT_EQ(loaded.warning(path_), "");
    Settings changed = loaded.settings;
    changed.volume = 30;
    changed.scale = 4;
    std::string note;
    std::string error;
    ASSERT_TRUE(save(path_, changed, loaded, note, error)) << error;
    EXPECT_EQ(note, "");
    const std::string text = contents(path_);
    EXPECT_NE(text.find("future_setting = 'kept'"), std::string::npos) << text;
    EXPECT_NE(text.find("dodge = 'C'"), std::string::npos) << text;
    const Loaded again = load(path_);
    EXPECT_EQ(again.warning(path_), "");
    EXPECT_EQ(again.settings, changed);
    EXPECT_FALSE(fs::exists(path_ + ".bad"));
}

// Two games open at once: each saves its own change onto what the other wrote.
TEST_F(SettingsFile, AChangeIsSavedOntoWhatAnotherGameWroteMeanwhile) {
    write("volume = 50\n");
    Loaded first = load(path_);
    write("volume = 20\nfuture_setting = 1\n[keys]\nkick = 'C'\n");
    Settings changed = first.settings;
    changed.keys[static_cast<std::size_t>(Action::jump)] = {"Space"};
    std::string note;
    std::string error;
    ASSERT_TRUE(saveChange(path_, first.settings, changed, first, note, error)) << error;
    const Loaded now = load(path_);
    EXPECT_EQ(now.settings.volume, 20);
    EXPECT_EQ(now.settings.keys[static_cast<std::size_t>(Action::kick)], Key{"C"});
    EXPECT_EQ(now.settings.keys[static_cast<std::size_t>(Action::jump)], Key{"Space"});
    EXPECT_NE(now.text.find("future_setting = 1"), std::string::npos) << now.text;
    EXPECT_EQ(first.settings, now.settings);
}

TEST_F(SettingsFile, AFileThatCouldNotBeReadIsKeptBesideTheNewOne) {
    const std::string broken = "volume = 50\nscale = = 2\n";
    write(broken);
    const Loaded loaded = load(path_);
    std::string note;
    std::string error;
    ASSERT_TRUE(save(path_, loaded.settings, loaded, note, error)) << error;
    EXPECT_EQ(note, path_ + " could not be read; it is kept as " + path_ + ".bad");
    EXPECT_EQ(contents(path_ + ".bad"), broken);
    EXPECT_EQ(load(path_).warning(path_), "");
    // A folder that does not exist yet is made.
    const std::string nested = (folder_ / "a" / "b" / "settings.toml").string();
    ASSERT_TRUE(save(nested, Settings{}, Loaded{}, note, error)) << error;
    EXPECT_EQ(load(nested).settings, Settings{});
}

TEST(SettingsPath, TheConfigurationFolderOfTheXdgRule) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(defaultPath(), "/tmp/cfg/kueruma/settings.toml");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", "/home/p", 1);
    EXPECT_EQ(defaultPath(), "/home/p/.config/kueruma/settings.toml");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(defaultPath(), "");
    if (home != nullptr) setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
} // namespace kueruma::settings

namespace kueruma::settings {
namespace {

std::size_t at(Action action) {
    return static_cast<std::size_t>(action);
}

// Every action keeps a binding, and none is bound to two.
void expectEachBoundOnce(const Bindings& bindings) {
    std::vector<std::string> seen;
    for (const auto& list : bindings) {
        EXPECT_FALSE(list.empty());
        for (const std::string& name : list) {
            EXPECT_EQ(std::count(seen.begin(), seen.end(), name), 0) << name;
            seen.push_back(name);
        }
    }
}

TEST(Rebinding, AKeyTakenFromAnotherActionIsSwappedNeverLost) {
    struct Case {
        const char* name;
        Action action;
        std::string key;
        bool buttons;
        bool taken;
        Bindings expected;
    };
    const auto with = [](Bindings b, Action a, Key k, Action other = Action::left, Key o = {}) {
        b[at(a)] = std::move(k);
        if (!o.empty()) b[at(other)] = std::move(o);
        return b;
    };
    const Bindings keys = Settings::defaultKeys();
    const Bindings pad = Settings::defaultButtons();
    const Case cases[] = {
        {"a free key", Action::jump, "space", false, true, with(keys, Action::jump, {"Space"})},
        {"another's only key", Action::jump, "Z", false, true,
         with(keys, Action::jump, {"Z"}, Action::kick, {"X"})},
        {"from an action of two keys", Action::pause, "X", false, true,
         with(keys, Action::pause, {"X"}, Action::jump, {"P"})},
        {"its own key", Action::pause, "Pause", false, true, with(keys, Action::pause, {"Pause"})},
        {"a pad button", Action::jump, "East", true, true,
         with(pad, Action::jump, {"East"}, Action::kick, {"South", "West"})},
        {"no such key", Action::jump, "Spcae", false, false, keys},
        {"a key's name for a button", Action::jump, "Space", true, false, pad},
        {"Esc is not a key to bind", Action::jump, "Escape", false, false, keys},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bindings bindings = c.buttons ? pad : keys;
        EXPECT_EQ(rebind(bindings, c.action, c.key, c.buttons ? buttonNames() : keyNames()),
                  c.taken);
        EXPECT_EQ(bindings, c.expected);
        expectEachBoundOnce(bindings);
    }
}

TEST(Rebinding, NoActionIsEverLeftWithoutAKey) {
    // One key for everything: each action takes it in turn and gives the last holder its own.
    Bindings bindings = Settings::defaultKeys();
    for (std::size_t a = 0; a < actionCount; ++a) {
        ASSERT_TRUE(rebind(bindings, static_cast<Action>(a), "Space", keyNames()));
        expectEachBoundOnce(bindings);
    }
    EXPECT_EQ(bindings[at(Action::pause)], Key{"Space"});
    // An action that has nothing to give (a list emptied elsewhere) cannot take another's only
    // key: refused, and nothing changes.
    bindings = Settings::defaultKeys();
    bindings[at(Action::jump)].clear();
    const Bindings before = bindings;
    EXPECT_FALSE(rebind(bindings, Action::jump, "Z", keyNames()));
    EXPECT_EQ(bindings, before);
    EXPECT_TRUE(rebind(bindings, Action::jump, "C", keyNames()));
    EXPECT_EQ(bindings[at(Action::jump)], Key{"C"});
}

} // namespace
} // namespace kueruma::settings

namespace kueruma::overlay {
namespace {

using settings::Action;
using settings::Settings;

void pressAll(Overlay& menu, std::initializer_list<Input> inputs) {
    for (Input input : inputs) menu.press(input);
}

TEST(SettingsOverlay, EachItemChangesItsSettingAndNothingElse) {
    Overlay menu(Settings{}, 3);
    EXPECT_EQ(menu.rows().front(), "> Scale: < auto >");
    EXPECT_EQ(menu.press(Input::left), Outcome::none); // auto is the smallest choice
    EXPECT_EQ(menu.press(Input::right), Outcome::changed);
    EXPECT_EQ(menu.settings().scale, 1);
    pressAll(menu, {Input::right, Input::right, Input::right}); // no further than fits
    EXPECT_EQ(menu.settings().scale, 3);
    EXPECT_EQ(menu.press(Input::choose), Outcome::changed); // round again to auto
    EXPECT_FALSE(menu.settings().scale);
    pressAll(menu, {Input::down, Input::choose, Input::down, Input::left, Input::left});
    EXPECT_TRUE(menu.settings().fullscreen);
    EXPECT_EQ(menu.settings().volume, 100 - 2 * volumeStep);
    EXPECT_EQ(menu.press(Input::right), Outcome::changed);
    for (int i = 0; i < 20; ++i) menu.press(Input::right);
    EXPECT_EQ(menu.settings().volume, 100);
    pressAll(menu,
             {Input::down, Input::choose, Input::down, Input::choose, Input::down, Input::choose});
    EXPECT_TRUE(menu.settings().mute && menu.settings().reducedFlashing &&
                menu.settings().practice);
    EXPECT_NE(menu.message().find("next start"), std::string::npos) << menu.message();
    Settings expected;
    expected.fullscreen = expected.mute = expected.reducedFlashing = expected.practice = true;
    EXPECT_EQ(menu.settings(), expected);
    // Reset, two rows on; then Close, and up from the top wraps round to Close too.
    pressAll(menu, {Input::down, Input::down});
    EXPECT_EQ(menu.press(Input::choose), Outcome::changed);
    EXPECT_EQ(menu.settings(), Settings{});
    EXPECT_EQ(menu.press(Input::choose), Outcome::none); // nothing left to reset
    menu.press(Input::down);
    EXPECT_EQ(menu.press(Input::choose), Outcome::closed);
    Overlay again(Settings{}, 1);
    again.press(Input::up);
    EXPECT_EQ(again.rows().back(), "> Close");
    EXPECT_EQ(again.press(Input::back), Outcome::closed);
}

// To the keys page and down to jump.
void toJump(Overlay& menu) {
    for (int i = 0; i < 6; ++i) menu.press(Input::down);
    menu.press(Input::choose);
    for (int i = 0; i < 4; ++i) menu.press(Input::down);
}

TEST(SettingsOverlay, ChangingAKeySwapsItAndEscKeepsTheOldOne) {
    Overlay menu(Settings{}, 2);
    toJump(menu);
    EXPECT_EQ(menu.rows()[4], "> Jump: X / South");
    EXPECT_EQ(menu.bindKey("Z"), Outcome::none); // not waiting yet
    menu.press(Input::choose);
    EXPECT_TRUE(menu.waiting());
    EXPECT_EQ(menu.bindKey(""), Outcome::none); // a key without a name: refused, still waiting
    EXPECT_TRUE(menu.waiting());
    EXPECT_EQ(menu.press(Input::down), Outcome::none); // the arrows are keys like any other here
    EXPECT_EQ(menu.press(Input::back), Outcome::none);
    EXPECT_FALSE(menu.waiting());
    EXPECT_EQ(menu.settings(), Settings{});
    menu.press(Input::choose);
    EXPECT_EQ(menu.bindKey("Z"), Outcome::changed);
    EXPECT_EQ(menu.settings().keys[4], std::vector<std::string>{"Z"});
    EXPECT_EQ(menu.settings().keys[5], std::vector<std::string>{"X"});
    EXPECT_EQ(menu.message(), "Jump is Z; Kick is X");
    EXPECT_EQ(menu.rows()[5], "> Kick: X / East West"); // on to the next action
    menu.press(Input::choose);
    EXPECT_EQ(menu.bindButton("South"), Outcome::changed);
    EXPECT_EQ(menu.settings().buttons[4], std::vector<std::string>{"East"});
    EXPECT_EQ(menu.settings().buttons[5], std::vector<std::string>{"South"});
    // Back to the main page's "Change keys", then out.
    menu.press(Input::back);
    EXPECT_EQ(menu.rows()[6], "> Change keys");
    EXPECT_EQ(menu.press(Input::back), Outcome::closed);
}

// The picture: the game dimmed, the overlay centred inside it, the game's own picture untouched.
TEST(SettingsOverlay, ThePictureIsCentredOverTheDimmedGameAndLeavesTheGameAlone) {
    raster::Framebuffer game(632, 433);
    game.clear(200);
    const raster::Framebuffer before = game;
    raster::Framebuffer out(1, 1);
    Overlay menu(Settings{}, 2);
    for (bool keys : {false, true}) {
        if (keys) toJump(menu);
        menu.draw(game, out);
        ASSERT_EQ(out.width(), game.width());
        ASSERT_EQ(out.height(), game.height());
        int left = out.width(), right = -1, top = out.height(), bottom = -1;
        for (int y = 0; y < out.height(); ++y) {
            for (int x = 0; x < out.width(); ++x) {
                if (out.at(x, y) == 100) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
        EXPECT_GT(left, 0);
        EXPECT_GT(top, 0);
        EXPECT_LE(std::abs(left - (out.width() - 1 - right)), 1);
        EXPECT_LE(std::abs(top - (out.height() - 1 - bottom)), 1);
        EXPECT_TRUE(std::equal(game.data(), game.data() + 632 * 433, before.data()));
    }
}

} // namespace
} // namespace kueruma::overlay
