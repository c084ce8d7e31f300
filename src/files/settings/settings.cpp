#include "files/settings/settings.hpp"

#include "files/safe_write/safe_write.hpp"

// No exceptions: the browser and Windows builds of this file have none to spare.
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kueruma::settings {

namespace {

// Bindings an action may have at most, so a file cannot make the lookup slow.
constexpr std::size_t maxBindings = 8;

// The settings that are on or off, by their name in the file.
struct Flag {
    std::string_view name;
    bool Settings::*value;
};
constexpr std::array<Flag, 7> flags = {{
    {"fullscreen", &Settings::fullscreen},
    {"mute", &Settings::mute},
    {"reduced_flashing", &Settings::reducedFlashing},
    {"pause_on_focus_loss", &Settings::pauseOnFocusLoss},
    {"ghosts", &Settings::ghosts},
    {"timer", &Settings::timer},
    {"practice", &Settings::practice},
}};

std::vector<std::string_view> makeKeyNames() {
    static const std::array<std::string, 36> singles = [] {
        std::array<std::string, 36> out{};
        for (int i = 0; i < 26; ++i) out[static_cast<std::size_t>(i)] = std::string(1, 'A' + i);
        for (int i = 0; i < 10; ++i)
            out[static_cast<std::size_t>(26 + i)] = std::string(1, '0' + i);
        return out;
    }();
    static const std::array<std::string, 22> numbered = [] {
        std::array<std::string, 22> out{};
        // Appended, not added: GCC 12 sees a false overlap in "F" + a string (-Wrestrict).
        for (int i = 0; i < 12; ++i)
            out[static_cast<std::size_t>(i)] = std::string("F").append(std::to_string(i + 1));
        for (int i = 0; i < 10; ++i)
            out[static_cast<std::size_t>(12 + i)] = std::string("Keypad").append(std::to_string(i));
        return out;
    }();
    std::vector<std::string_view> names(singles.begin(), singles.end());
    names.insert(names.end(), numbered.begin(), numbered.end());
    for (std::string_view name :
         {"Left",         "Right",       "Up",         "Down",        "Space",
          "Return",       "Tab",         "Backspace",  "Insert",      "Delete",
          "Home",         "End",         "PageUp",     "PageDown",    "LeftShift",
          "RightShift",   "LeftCtrl",    "RightCtrl",  "LeftAlt",     "RightAlt",
          "Pause",        "KeypadEnter", "KeypadPlus", "KeypadMinus", "KeypadMultiply",
          "KeypadDivide", "KeypadPeriod"}) {
        names.push_back(name);
    }
    for (const Punctuation& key : punctuation) names.push_back(key.name);
    return names;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
               return lower(x) == lower(y);
           });
}

// The name as the list spells it, or empty when it is not in the list.
std::string_view knownName(const std::vector<std::string_view>& names, std::string_view name) {
    for (std::string_view known : names) {
        if (sameName(known, name)) return known;
    }
    return {};
}

int lineOf(const toml::node& node) {
    return static_cast<int>(node.source().begin.line);
}

std::string shown(std::string_view text) {
    std::string out = "'";
    for (char c : text.substr(0, 40)) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return out + (text.size() > 40 ? "...'" : "'");
}

const char* typeName(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string:
        return "a string";
    case toml::node_type::integer:
        return "a whole number";
    case toml::node_type::floating_point:
        return "a number with a fraction";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::array:
        return "a list";
    case toml::node_type::table:
        return "a table";
    default:
        return "a date or time";
    }
}

// Reads the file's settings into `loaded`, one problem for each value that is wrong.
class Reader {
  public:
    explicit Reader(Loaded& loaded) : loaded_(loaded) {}

    void read(const toml::table& table) {
        std::array<int, actionCount> keyLines{};
        std::array<int, actionCount> buttonLines{};
        for (auto&& [key, node] : table) {
            const std::string_view name = key.str();
            Settings& s = loaded_.settings;
            if (name == "scale") {
                readWhole(node, name, 1, maxScale, s.scale);
            } else if (name == "window_x") {
                readWhole(node, name, -maxWindowOffset, maxWindowOffset, s.windowX);
            } else if (name == "window_y") {
                readWhole(node, name, -maxWindowOffset, maxWindowOffset, s.windowY);
            } else if (name == "volume") {
                std::optional<int> volume;
                readWhole(node, name, 0, maxVolume, volume);
                s.volume = volume.value_or(s.volume);
            } else if (name == "keys") {
                readBindings(node, "keys", keyNames(), s.keys, keyLines);
            } else if (name == "pad") {
                readBindings(node, "pad", buttonNames(), s.buttons, buttonLines);
            }
            for (const Flag& flag : flags) {
                if (name == flag.name) readFlag(node, name, s.*flag.value);
            }
            // Any other key belongs to another version of the game: it is kept when saving.
        }
        settle(loaded_.settings.keys, Settings::defaultKeys(), keyLines, "key");
        settle(loaded_.settings.buttons, Settings::defaultButtons(), buttonLines, "pad button");
    }

  private:
    void problem(int line, std::string what) {
        loaded_.problems.push_back(Problem{line, std::move(what)});
    }

    void wrongType(const toml::node& node, std::string_view name, const char* wanted) {
        problem(lineOf(node), std::string(name) + " is " + typeName(node) + ", not " + wanted);
    }

    void readWhole(const toml::node& node, std::string_view name, int low, int high,
                   std::optional<int>& out) {
        const auto* value = node.as_integer();
        if (value == nullptr) return wrongType(node, name, "a whole number");
        const std::int64_t number = value->get();
        if (number < low || number > high) {
            return problem(lineOf(node), std::string(name) + " = " + std::to_string(number) +
                                             " is not from " + std::to_string(low) + " to " +
                                             std::to_string(high));
        }
        out = static_cast<int>(number);
    }

    void readFlag(const toml::node& node, std::string_view name, bool& out) {
        const auto* value = node.as_boolean();
        if (value == nullptr) return wrongType(node, name, "true or false");
        out = value->get();
    }

    // One action's list: a name or a list of names, each known. False when it is refused.
    bool readNames(const toml::node& node, const std::string& what,
                   const std::vector<std::string_view>& names, std::vector<std::string>& out) {
        std::vector<std::string> taken;
        const auto takeOne = [&](const toml::node& item) {
            const auto* text = item.as_string();
            if (text == nullptr) {
                wrongType(item, what, "a name or a list of names");
                return false;
            }
            const std::string_view known = knownName(names, text->get());
            if (known.empty()) {
                problem(lineOf(item),
                        what + ": " + shown(text->get()) + " is not a name the game knows");
                return false;
            }
            if (std::find(taken.begin(), taken.end(), known) == taken.end())
                taken.emplace_back(known);
            return true;
        };
        if (const auto* list = node.as_array()) {
            if (list->empty()) {
                problem(lineOf(node), what + " is empty: an action needs at least one");
                return false;
            }
            if (list->size() > maxBindings) {
                problem(lineOf(node), what + " lists " + std::to_string(list->size()) +
                                          " names, more than " + std::to_string(maxBindings));
                return false;
            }
            for (const toml::node& item : *list) {
                if (!takeOne(item)) return false;
            }
        } else if (!takeOne(node)) {
            return false;
        }
        out = std::move(taken);
        return true;
    }

    void readBindings(const toml::node& node, const char* tableName,
                      const std::vector<std::string_view>& names, Bindings& bindings,
                      std::array<int, actionCount>& lines) {
        const auto* table = node.as_table();
        if (table == nullptr) return wrongType(node, tableName, "a table");
        for (auto&& [key, value] : *table) {
            const auto found = std::find(actionNames.begin(), actionNames.end(), key.str());
            if (found == actionNames.end()) continue; // another version's action: kept
            const auto action = static_cast<std::size_t>(found - actionNames.begin());
            const std::string what = std::string(tableName) + "." + std::string(key.str());
            if (readNames(value, what, names, bindings[action])) lines[action] = lineOf(value);
        }
    }

    // A name bound to two actions goes to the one the file names (to the earlier line between
    // two it names), except that an action's only name stays with it: every action keeps one.
    void settle(Bindings& bindings, const Bindings& defaults,
                const std::array<int, actionCount>& lines, const char* kind) {
        std::array<std::size_t, actionCount> order{};
        for (std::size_t a = 0; a < actionCount; ++a) order[a] = a;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
            return lines[x] != 0 && (lines[y] == 0 || lines[x] < lines[y]);
        });
        std::array<bool, actionCount> done{};
        const auto holders = [&](const std::string& name, std::size_t action) {
            std::vector<std::size_t> found;
            for (std::size_t other = 0; other < actionCount; ++other) {
                const auto& list = bindings[other];
                if (other != action && std::find(list.begin(), list.end(), name) != list.end()) {
                    found.push_back(other);
                }
            }
            return found;
        };
        for (std::size_t action : order) {
            if (lines[action] == 0) break;
            std::vector<std::string> claimed;
            for (const std::string& name : bindings[action]) {
                const std::vector<std::size_t> others = holders(name, action);
                const auto keeps =
                    std::find_if(others.begin(), others.end(), [&](std::size_t other) {
                        return done[other] || bindings[other].size() == 1;
                    });
                if (keeps != others.end()) {
                    const std::string holder(actionNames[*keeps]);
                    problem(lines[action], std::string(kind) + " " + name + " of " +
                                               std::string(actionNames[action]) + " is also " +
                                               holder + "'s; it stays " + holder + "'s");
                    continue;
                }
                for (std::size_t other : others) std::erase(bindings[other], name);
                claimed.push_back(name);
            }
            if (claimed.empty()) {
                for (const std::string& name : defaults[action]) {
                    if (holders(name, action).empty()) claimed.push_back(name);
                }
            }
            bindings[action] = std::move(claimed);
            done[action] = true;
        }
    }

    Loaded& loaded_;
};

// The file's bytes, when it is a plain file of modest size; otherwise why not.
std::string readPlainFile(const std::string& path, std::string& text, bool& exists) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    exists = !ec && status.type() != std::filesystem::file_type::not_found;
    if (!exists) return {};
    if (status.type() == std::filesystem::file_type::symlink) {
        return "is a symbolic link; settings are read only from a plain file";
    }
    if (status.type() != std::filesystem::file_type::regular) return "is not a plain file";
#ifndef _WIN32
    // Opened without following a link or waiting on a FIFO put there since the look above.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::string("cannot be opened: ") + std::strerror(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return "is not a plain file";
    }
    text.resize(maxFileBytes + 1);
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::string("cannot be read: ") + std::strerror(errno);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
#else
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot be opened";
    text.resize(maxFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
#endif
    if (text.size() > maxFileBytes) {
        text.clear();
        return "is larger than " + std::to_string(maxFileBytes / 1024) + " KB";
    }
    return {};
}

std::string_view withoutByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

} // namespace

const std::vector<std::string_view>& keyNames() {
    static const std::vector<std::string_view> names = makeKeyNames();
    return names;
}

const std::vector<std::string_view>& buttonNames() {
    static const std::vector<std::string_view> names{
        "South",  "East",      "West",       "North",        "Back",
        "Start",  "LeftStick", "RightStick", "LeftShoulder", "RightShoulder",
        "DpadUp", "DpadDown",  "DpadLeft",   "DpadRight"};
    return names;
}

Bindings Settings::defaultKeys() {
    return {{{"Left"}, {"Right"}, {"Up"}, {"Down"}, {"X"}, {"Z"}, {"F11"}, {"P", "Pause"}}};
}

Bindings Settings::defaultButtons() {
    return {{{"DpadLeft"},
             {"DpadRight"},
             {"DpadUp"},
             {"DpadDown"},
             {"South"},
             {"East", "West"},
             {"Back"},
             {"Start"}}};
}

bool rebind(Bindings& bindings, Action action, std::string_view name,
            const std::vector<std::string_view>& names) {
    const std::string_view known = knownName(names, name);
    if (known.empty()) return false;
    Bindings changed = bindings;
    std::vector<std::string>& own = changed[static_cast<std::size_t>(action)];
    const std::string given = own.empty() ? std::string() : own.front();
    for (std::vector<std::string>& other : changed) {
        if (&other == &own) continue;
        const auto taken = std::find(other.begin(), other.end(), known);
        if (taken == other.end()) continue;
        const bool hasGiven = std::find(other.begin(), other.end(), given) != other.end();
        if (given.empty() || hasGiven) {
            other.erase(taken);
        } else {
            *taken = given;
        }
    }
    own = {std::string(known)};
    if (std::any_of(changed.begin(), changed.end(), [](const auto& list) { return list.empty(); }))
        return false;
    bindings = std::move(changed);
    return true;
}

std::string Loaded::warning(const std::string& path) const {
    if (problems.empty()) return {};
    const Problem& first = problems.front();
    // Appended piece by piece, for the same false overlap.
    std::string line = path;
    if (first.line > 0) line.append(":").append(std::to_string(first.line));
    line.append(": ").append(first.what);
    if (problems.size() > 1) {
        line += " (and " + std::to_string(problems.size() - 1) + " more: lines";
        for (std::size_t i = 1; i < problems.size() && i < 6; ++i) {
            line += (i > 1 ? ", " : " ") + std::to_string(problems[i].line);
        }
        line += problems.size() > 6 ? ", ...)" : ")";
    }
    return line + "; the defaults stand for what is wrong";
}

std::string defaultPath() {
#ifdef _WIN32
    const char* appData = std::getenv("APPDATA");
    if (appData == nullptr || *appData == '\0') return {};
    return std::string(appData) + "\\kueruma\\settings.toml";
#else
    // The XDG rule: a relative XDG_CONFIG_HOME is ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/kueruma/settings.toml";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    return std::string(home) + "/.config/kueruma/settings.toml";
#endif
}

Loaded parse(std::string_view text, const std::string& name) {
    Loaded loaded;
    loaded.text = std::string(text);
    const std::string_view body = withoutByteOrderMark(text);
    if (const std::size_t nul = body.find('\0'); nul != std::string_view::npos) {
        const auto line =
            1 + std::count(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(nul), '\n');
        loaded.problems.push_back(Problem{static_cast<int>(line), "is not text (a NUL byte)"});
        return loaded;
    }
    toml::parse_result result = toml::parse(body, std::string_view(name));
    if (!result) {
        const toml::parse_error& error = result.error();
        loaded.problems.push_back(Problem{static_cast<int>(error.source().begin.line),
                                          "not TOML: " + std::string(error.description())});
        return loaded;
    }
    Reader(loaded).read(result.table());
    std::stable_sort(loaded.problems.begin(), loaded.problems.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    return loaded;
}

Loaded load(const std::string& path) {
    std::string text;
    bool exists = false;
    const std::string refused = readPlainFile(path, text, exists);
    if (!refused.empty()) {
        Loaded loaded;
        loaded.exists = true;
        loaded.problems.push_back(Problem{0, refused});
        return loaded;
    }
    Loaded loaded = parse(text, path);
    loaded.exists = exists;
    return loaded;
}

std::string toText(const Settings& settings, std::string_view previousText) {
    toml::table table;
    if (toml::parse_result previous = toml::parse(withoutByteOrderMark(previousText))) {
        table = std::move(previous).table();
    }
    const auto setOptional = [&](std::string_view key, const std::optional<int>& value) {
        if (value) {
            table.insert_or_assign(key, static_cast<std::int64_t>(*value));
        } else {
            table.erase(key);
        }
    };
    setOptional("scale", settings.scale);
    setOptional("window_x", settings.windowX);
    setOptional("window_y", settings.windowY);
    table.insert_or_assign("volume", static_cast<std::int64_t>(settings.volume));
    for (const Flag& flag : flags) table.insert_or_assign(flag.name, settings.*flag.value);
    const auto setBindings = [&](std::string_view key, const Bindings& bindings) {
        toml::table* section = table[key].as_table();
        if (section == nullptr) {
            table.insert_or_assign(key, toml::table{});
            section = table[key].as_table();
        }
        for (std::size_t action = 0; action < actionCount; ++action) {
            toml::array names;
            for (const std::string& name : bindings[action]) names.push_back(name);
            section->insert_or_assign(actionNames[action], std::move(names));
        }
    };
    setBindings("keys", settings.keys);
    setBindings("pad", settings.buttons);
    std::ostringstream out;
    out << "# kueruma's settings (see `kueruma --help`).\n" << table << "\n";
    return out.str();
}

bool save(const std::string& path, const Settings& settings, const Loaded& previous,
          std::string& note, std::string& error) {
    note.clear();
    const std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
        error = "cannot make the folder " + target.parent_path().string() + ": " + ec.message();
        return false;
    }
    if (previous.exists && !previous.problems.empty() &&
        std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found) {
        const std::string kept = path + ".bad";
        std::filesystem::rename(path, kept, ec);
        if (ec) {
            error = "cannot keep the unreadable " + path + " as " + kept + ": " + ec.message();
            return false;
        }
        note = path + " could not be read; it is kept as " + kept;
    }
    return safe_write::writeWhole(path, toText(settings, previous.text), error);
}

Settings withChanges(const Settings& onDisk, const Settings& before, const Settings& after) {
    Settings out = onDisk;
    const auto take = [&](auto Settings::*member) {
        if (!(after.*member == before.*member)) out.*member = after.*member;
    };
    take(&Settings::scale);
    take(&Settings::windowX);
    take(&Settings::windowY);
    take(&Settings::volume);
    for (const Flag& flag : flags) take(flag.value);
    for (std::size_t action = 0; action < actionCount; ++action) {
        if (after.keys[action] != before.keys[action]) out.keys[action] = after.keys[action];
        if (after.buttons[action] != before.buttons[action]) {
            out.buttons[action] = after.buttons[action];
        }
    }
    return out;
}

bool saveChange(const std::string& path, const Settings& before, const Settings& after,
                Loaded& file, std::string& note, std::string& error) {
    Settings wanted = after;
    Loaded now = load(path);
    if (now.exists && now.problems.empty() && now.text != file.text) {
        wanted = withChanges(now.settings, before, after);
        file = std::move(now);
    }
    if (!save(path, wanted, file, note, error)) return false;
    file.text = toText(wanted, file.text);
    file.settings = wanted;
    file.problems.clear();
    file.exists = true;
    return true;
}

} // namespace kueruma::settings
