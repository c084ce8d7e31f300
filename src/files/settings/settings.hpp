// The player's settings, kept in one TOML file (settings.toml in the user's configuration
// folder): the window's scale, place and fullscreen, the volume, the keys and pad buttons of each
// action, and how the game looks and pauses. Portable: the desktop game, the Windows program and
// the page read and write the same text. A missing or empty file is the game as it always was.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::settings {

// What a key or pad button can be bound to. Jump, kick and give up are the game's X, Z and F11.
enum class Action { left, right, up, down, jump, kick, giveUp, pause };
inline constexpr std::size_t actionCount = 8;
// The actions' names in the file, in the order of Action.
inline constexpr std::array<std::string_view, actionCount> actionNames{
    "left", "right", "up", "down", "jump", "kick", "give_up", "pause"};

// The largest scale the file may ask for; the window is still never made larger than the screen.
inline constexpr int maxScale = 16;
inline constexpr int maxVolume = 100;
// A window placed further out than this is certainly not on any screen.
inline constexpr int maxWindowOffset = 100000;
// A settings file is a few hundred bytes; anything much larger is not one.
inline constexpr std::size_t maxFileBytes = 64 * 1024;

// The names a key can have in the file ("Space", "X", "F11", "LeftShift", "Keypad5", ...).
const std::vector<std::string_view>& keyNames();
// The punctuation keys' names in the file, with the character each types (which is also how
// SDL and the browser name them).
struct Punctuation {
    std::string_view name;
    std::string_view character;
};
inline constexpr std::array<Punctuation, 11> punctuation{{
    {"Comma", ","},
    {"Period", "."},
    {"Slash", "/"},
    {"Semicolon", ";"},
    {"Apostrophe", "'"},
    {"LeftBracket", "["},
    {"RightBracket", "]"},
    {"Backslash", "\\"},
    {"Minus", "-"},
    {"Equals", "="},
    {"Backquote", "`"},
}};

// The names of a pad's buttons, by position (South is the bottom face button).
const std::vector<std::string_view>& buttonNames();

using Bindings = std::array<std::vector<std::string>, actionCount>;

struct Settings {
    // Absent: the largest whole scale that fits the screen.
    std::optional<int> scale;
    bool fullscreen = false;
    // Absent: the window is centred.
    std::optional<int> windowX;
    std::optional<int> windowY;
    int volume = maxVolume;
    bool mute = false;
    Bindings keys = defaultKeys();
    Bindings buttons = defaultButtons();
    bool reducedFlashing = false;
    bool pauseOnFocusLoss = true;
    // Kept for the practice features: the best run's ghost and the stage timer shown.
    bool ghosts = false;
    bool timer = false;
    // Practice mode (rewind, slow play) from the start, as --practice asks.
    bool practice = false;

    static Bindings defaultKeys();
    static Bindings defaultButtons();
    bool operator==(const Settings&) const = default;
};

// Makes `name` (one of `names`, in any case) the one binding of `action` among `bindings` (the
// keys, or the pad buttons). An action that had `name` takes `action`'s first binding in its
// place: a binding taken is swapped, never lost. False, with nothing changed, when `name` is not
// one of `names` or some action would be left with no binding at all.
bool rebind(Bindings& bindings, Action action, std::string_view name,
            const std::vector<std::string_view>& names);

// One thing wrong with the file: the line it is on (0 for the file as a whole) and what.
struct Problem {
    int line = 0;
    std::string what;
};

struct Loaded {
    Settings settings;
    // In the order of their lines.
    std::vector<Problem> problems;
    // The text read, so a save keeps the settings this version does not know.
    std::string text;
    // The file was there (even when it could not be read).
    bool exists = false;

    // One line naming `path`, the first problem's line and what is wrong, and how many more
    // there are; empty when nothing is wrong.
    std::string warning(const std::string& path) const;
};

// The file's place: $XDG_CONFIG_HOME/kueruma/settings.toml, else ~/.config/kueruma/ (on Windows
// %APPDATA%\kueruma\). Empty when none of those variables is set.
std::string defaultPath();

// Reads the file at `path`. What is missing or wrong takes its default, everything else is
// kept; a file that is not a plain readable file (a link, a FIFO, a folder, a device, too
// large, not text) gives every default, with one problem saying why.
Loaded load(const std::string& path);
// The same checks on text already read (the page's storage).
Loaded parse(std::string_view text, const std::string& name);

// The file's text for `settings`: every setting this version knows, and every other key of
// `previousText` as it was.
std::string toText(const Settings& settings, std::string_view previousText);

// Writes `settings` to `path` through the one write rule. A file that was there and could not
// be read whole is first kept beside it as PATH.bad, and `note` says so. False with `error`
// naming the file and why; nothing at `path` has changed then.
bool save(const std::string& path, const Settings& settings, const Loaded& previous,
          std::string& note, std::string& error);

// `onDisk` with the player's changes from `before` to `after`: what another program (a second
// game, an editor) wrote into the file meanwhile stays wherever the player changed nothing.
Settings withChanges(const Settings& onDisk, const Settings& before, const Settings& after);

// Saves the player's change from `before` to `after` onto the file as it is now: when it was
// rewritten since `file` was read, that text is the base (withChanges). `file` becomes what was
// written. False as save() says.
bool saveChange(const std::string& path, const Settings& before, const Settings& after,
                Loaded& file, std::string& note, std::string& error);

} // namespace kueruma::settings
