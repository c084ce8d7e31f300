#include "backends/web/web_settings.hpp"

#include "backends/web/web_input.hpp"
#include "files/settings/settings.hpp"

#include <emscripten.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

namespace kueruma::web::prefs {

namespace {

// The name the page's warnings give the kept text.
constexpr const char* storedName = "settings.toml (kept in this browser)";

// clang-format off
// The panel shows the settings and the page uses its part of them: the volume, the mute and the
// pause on focus loss. `keys` holds a line for each action: its name, then its keys' names.
EM_JS(void, showSettings, (int volume, int mute, int reducedFlashing, int pauseOnFocusLoss,
                           int timer, const char* keys), {
    kuerumaSettings.show({ volume, mute: mute !== 0, reducedFlashing: reducedFlashing !== 0,
                           pauseOnFocusLoss: pauseOnFocusLoss !== 0, timer: timer !== 0,
                           keys: UTF8ToString(keys) });
});
EM_JS(void, askForStored, (), { kuerumaSettings.handOver(); });
// clang-format on

struct Current {
    settings::Settings settings;
    // The text the settings came from: saving keeps what this version does not know of it.
    std::string text;
};
Current current;

void use() {
    const settings::Settings& s = current.settings;
    input::bindKeys(s.keys);
    std::string keys;
    for (std::size_t action = 0; action < settings::actionCount; ++action) {
        keys += settings::actionNames[action];
        for (const std::string& name : s.keys[action]) keys += " " + name;
        keys += "\n";
    }
    showSettings(s.volume, s.mute, s.reducedFlashing, s.pauseOnFocusLoss, s.timer, keys.c_str());
}

bool readFlag(std::string_view value, bool& out) {
    if (value != "true" && value != "false") return false;
    out = value == "true";
    return true;
}

// `key` for `action` alone; an action that had it takes `action`'s keys instead, so no action is
// left without one.
void bindKey(settings::Bindings& keys, std::size_t action, const std::string& key) {
    std::vector<std::string> before = std::move(keys[action]);
    keys[action] = {key};
    for (std::size_t other = 0; other < settings::actionCount; ++other) {
        auto& names = keys[other];
        const auto found = std::find(names.begin(), names.end(), key);
        if (other == action || found == names.end()) continue;
        names.erase(found);
        for (const std::string& name : before) {
            if (name != key && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
}

// One change from the panel: false when `name` or `value` is not one it makes.
bool change(std::string_view name, std::string_view value) {
    settings::Settings& s = current.settings;
    if (name == "export") return true; // the text as it is
    if (name == "reset") {
        s = settings::Settings{};
        return true;
    }
    if (name == "volume") {
        int volume = -1;
        const auto [end, error] = std::from_chars(value.begin(), value.end(), volume);
        if (error != std::errc{} || end != value.end() || volume < 0 ||
            volume > settings::maxVolume)
            return false;
        s.volume = volume;
        return true;
    }
    if (name == "mute") return readFlag(value, s.mute);
    if (name == "reduced_flashing") return readFlag(value, s.reducedFlashing);
    if (name == "pause_on_focus_loss") return readFlag(value, s.pauseOnFocusLoss);
    if (name == "timer") return readFlag(value, s.timer);
    const auto action = std::find(settings::actionNames.begin(), settings::actionNames.end(), name);
    const auto& known = settings::keyNames();
    if (action == settings::actionNames.end() ||
        std::find(known.begin(), known.end(), value) == known.end())
        return false;
    bindKey(s.keys, static_cast<std::size_t>(action - settings::actionNames.begin()),
            std::string(value));
    return true;
}

} // namespace

void open() {
    askForStored();
}

bool reducedFlashing() {
    return current.settings.reducedFlashing;
}

bool timer() {
    return current.settings.timer;
}

} // namespace kueruma::web::prefs

// The page's kept text (or a file the player imports): read with the desktop's checks and used.
// Returns "" or one line naming the first line that is wrong; defaults stand for what is.
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_useSettings(const char* text, int length) {
    using namespace kueruma;
    static std::string warning;
    const settings::Loaded loaded = settings::parse(
        std::string_view(text, static_cast<std::size_t>(length)), web::prefs::storedName);
    web::prefs::current = {loaded.settings, loaded.text};
    web::prefs::use();
    warning = loaded.warning(web::prefs::storedName);
    return warning.c_str();
}

// One change the panel makes (`name`: volume, mute, reduced_flashing, pause_on_focus_loss, timer,
// an action given a key's name, reset, or export for none), used at once. Returns the text for the
// page to keep, or
// "" when the change is not one the settings know.
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_changeSetting(const char* name,
                                                                  const char* value) {
    using namespace kueruma;
    static std::string text;
    if (!web::prefs::change(name, value)) return "";
    text = settings::toText(web::prefs::current.settings, web::prefs::current.text);
    web::prefs::current.text = text;
    web::prefs::use();
    return text.c_str();
}

// The settings' name of the key a key event carries, or "".
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_keyName(const char* key, const char* code) {
    static std::string name;
    name = kueruma::web::input::keyName(key, code);
    return name.c_str();
}
