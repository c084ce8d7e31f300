#include "files/script/script.hpp"

#include "cli/command_line.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kueruma::script {

namespace {

constexpr std::string_view keyOrder = "LURDXZF";

loop::KeySet bitForLetter(char c) {
    const std::size_t i = keyOrder.find(c);
    return i == std::string_view::npos ? 0 : static_cast<loop::KeySet>(1U << i);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view nextField(std::string_view& rest) {
    rest = trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t') ++end;
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end);
    return field;
}

// Empty when the line is good; otherwise what is wrong with it.
std::string parseLine(std::string_view line, Step& step, bool& hasStep) {
    hasStep = false;
    if (line.size() > maxLineLength) return "line is longer than 4096 characters";
    if (line.find('\0') != std::string_view::npos) return "line contains a NUL byte";
    const std::size_t hash = line.find('#');
    std::string_view rest = trim(line.substr(0, hash));
    if (rest.empty()) return {};
    const std::string_view countField = nextField(rest);
    std::int64_t count = 0;
    for (char c : countField) {
        if (c < '0' || c > '9')
            return "count '" + cli::printable(countField) + "' is not a whole number";
        count = count * 10 + (c - '0');
        if (count > maxStepCount) return "count must be from 1 to 1000000";
    }
    if (count < 1) return "count must be from 1 to 1000000";
    const std::string_view keysField = nextField(rest);
    if (keysField.empty()) return "missing keys after the count (use - for none)";
    if (!trim(rest).empty())
        return "unexpected '" + cli::printable(trim(rest)) + "' after the keys";
    loop::KeySet keys = 0;
    if (keysField != "-") {
        for (char c : keysField) {
            const loop::KeySet bit = bitForLetter(c);
            if (bit == 0) {
                return "unknown key '" + cli::printable(std::string_view(&c, 1)) +
                       "' (keys are L U R D X Z F, or - for none)";
            }
            if (keys & bit) return "key '" + std::string(1, c) + "' is given twice";
            keys |= bit;
        }
    }
    step = {static_cast<std::int32_t>(count), keys};
    hasStep = true;
    return {};
}

// Takes a script's lines in order and stops at the first bad one.
class ScriptBuilder {
  public:
    explicit ScriptBuilder(std::string_view name) : name_(name) {}

    // False when the line is bad: the result then holds its error and no step.
    bool addLine(std::string_view line) {
        ++lineNumber_;
        // Windows editors start a UTF-8 file with a byte-order mark.
        if (lineNumber_ == 1 && line.starts_with(byteOrderMark)) {
            line.remove_prefix(byteOrderMark.size());
        }
        // Windows' "Unicode" is UTF-16: a NUL byte beside every letter.
        const auto letterAndNul = [&](std::size_t letter) {
            return line.size() >= 4 && line[letter] != '\0' && line[letter + 2] != '\0' &&
                   line[1 - letter] == '\0' && line[3 - letter] == '\0';
        };
        if (lineNumber_ == 1 && (line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF") ||
                                 letterAndNul(0) || letterAndNul(1))) {
            return fail(1, "the script is UTF-16 text: save it as UTF-8");
        }
        Step step{};
        bool hasStep = false;
        std::string problem = parseLine(line, step, hasStep);
        if (problem.empty() && hasStep && result_.steps.size() == maxInstructions) {
            problem = "a script holds at most 1000000 instructions";
        }
        if (!problem.empty()) return fail(lineNumber_, problem);
        if (hasStep) result_.steps.push_back(step);
        keepHeaderLine(line);
        return true;
    }
    // Line 0 is the file as a whole: it has no line to name.
    bool fail(std::size_t lineNumber, std::string_view problem) {
        result_.steps.clear();
        result_.steps.shrink_to_fit();
        result_.header.clear();
        result_.error = (name_.empty() ? std::string("''") : cli::shownName(name_)) + ":" +
                        (lineNumber == 0 ? "" : std::to_string(lineNumber) + ":") + " " +
                        std::string(problem);
        return false;
    }
    Script take() { return std::move(result_); }

  private:
    void keepHeaderLine(std::string_view line) {
        if (!result_.steps.empty() || result_.header.size() == maxHeaderLines) return;
        const std::string_view text = trim(line);
        if (text.starts_with('#')) result_.header.push_back({lineNumber_, std::string(text)});
    }

    static constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    std::string_view name_;
    std::size_t lineNumber_ = 0;
    Script result_;
};

// Feeds the lines of `file` to `builder`. A line longer than the limit is handed over as soon
// as it is known to be too long (its first 4097 characters), and refusing it ends the reading.
void readLines(std::FILE* file, ScriptBuilder& builder) {
    std::string line;
    line.reserve(maxLineLength + 1);
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        for (std::string_view rest(chunk, got); !rest.empty();) {
            const std::size_t end = rest.find('\n');
            const std::size_t room = maxLineLength + 1 - line.size();
            line.append(rest.substr(0, std::min(end, room)));
            if (end == std::string_view::npos && line.size() <= maxLineLength) break;
            if (!builder.addLine(line)) return;
            line.clear();
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
    }
    if (std::ferror(file)) {
        builder.fail(0, std::string("cannot read the script: ") + std::strerror(errno));
    } else if (!line.empty()) {
        builder.addLine(line);
    }
}

} // namespace

Script parse(std::string_view text, std::string_view name) {
    ScriptBuilder builder(name);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (!builder.addLine(text.substr(0, end))) break;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return builder.take();
}

Script load(const std::string& path) {
    if (path == "-") {
        ScriptBuilder builder("<stdin>");
        readLines(stdin, builder);
        return builder.take();
    }
    ScriptBuilder builder(path);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        builder.fail(0, "is a folder, not a script");
        return builder.take();
    }
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        builder.fail(0,
                     "cannot read the script" +
                         (path.empty() ? std::string() : ": " + std::string(std::strerror(errno))));
        return builder.take();
    }
    readLines(file, builder);
    std::fclose(file);
    return builder.take();
}

std::string keyLetters(loop::KeySet keys) {
    std::string out;
    for (std::size_t i = 0; i < keyOrder.size(); ++i) {
        if (keys & (1U << i)) out += keyOrder[i];
    }
    return out.empty() ? "-" : out;
}

std::string lines(std::span<const loop::KeySet> keys) {
    std::string out;
    std::size_t i = 0;
    while (i < keys.size()) {
        std::size_t end = i + 1;
        while (end < keys.size() && keys[end] == keys[i] &&
               end - i < static_cast<std::size_t>(maxStepCount)) {
            ++end;
        }
        out += std::to_string(end - i) + " " + keyLetters(keys[i]) + "\n";
        i = end;
    }
    return out;
}

namespace {

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

bool isShellSafe(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_@%+=:,./-").find(c) != std::string_view::npos;
}

// bash's $'...': control characters and the quotes themselves escaped.
std::string ansiQuoted(std::string_view word) {
    std::string out = "$'";
    for (char c : word) {
        if (c == '\'' || c == '\\') {
            out += '\\';
            out += c;
        } else if (isControl(c)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "'";
}

// The inside of a $'...' from `at` on, added to `word`; returns where the closing quote is.
std::size_t ansiUnquoted(std::string_view command, std::size_t at, std::string& word) {
    for (; at < command.size() && command[at] != '\''; ++at) {
        if (command[at] != '\\' || at + 1 >= command.size()) {
            word += command[at];
        } else if (unsigned code = 0;
                   command[++at] == 'x' && at + 2 < command.size() &&
                   std::from_chars(command.data() + at + 1, command.data() + at + 3, code, 16)
                           .ptr == command.data() + at + 3) {
            word += static_cast<char>(code);
            at += 2;
        } else {
            word += command[at];
        }
    }
    return at;
}

} // namespace

std::string commentLine(std::string_view text) {
    std::string line = "# ";
    for (char c : text) line += isControl(c) ? '?' : c;
    return line + "\n";
}

std::string shellQuoted(std::string_view word) {
    if (!word.empty() && std::all_of(word.begin(), word.end(), isShellSafe)) {
        return std::string(word);
    }
    if (std::any_of(word.begin(), word.end(), isControl)) return ansiQuoted(word);
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> shellWords(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == ' ') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '$' && command.substr(i + 1, 1) == "'") {
            i = ansiUnquoted(command, i + 2, word);
        } else if (c == '\'') {
            const std::size_t end = command.find('\'', i + 1);
            word += command.substr(i + 1, end - i - 1);
            i = end == std::string_view::npos ? command.size() : end;
        } else if (c == '\\' && i + 1 < command.size()) {
            word += command[++i];
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

} // namespace kueruma::script
