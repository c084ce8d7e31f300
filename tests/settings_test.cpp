// The settings file: what each setting reads as, every hostile file ending in one warning that
// names the file, the line and what is wrong (with the defaults for what was bad and the rest
// kept), the file's place, and saving that keeps what it does not know and never loses a file it
// could not read.
#include "files/settings/settings.hpp"

#include <gtest/gtest.h>

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
    EXPECT_FALSE(defaults.ghosts || defaults.timer || defaults.reducedFlashing || defaults.mute);
}

TEST_F(SettingsFile, EverySettingIsRead) {
    write("scale = 5\nfullscreen = true\nwindow_x = -20\nwindow_y = 40\nvolume = 0\nmute = true\n"
          "reduced_flashing = true\npause_on_focus_loss = false\nghosts = true\ntimer = true\n"
          "[keys]\njump = \"space\"\nkick = [\"LeftCtrl\", \"keypad0\"]\n"
          "[pad]\njump = \"North\"\n");
    const Loaded loaded = load(path_);
    ASSERT_EQ(loaded.warning(path_), "");
    const Settings& s = loaded.settings;
    EXPECT_EQ(s.scale, 5);
    EXPECT_TRUE(s.fullscreen && s.mute && s.reducedFlashing && s.ghosts && s.timer);
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
