#include "platform/headless/script.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace kueruma::headless {

namespace {

constexpr std::string_view keyOrder = "LURDXZF";

KeySet bitForLetter(char c) {
    const std::size_t i = keyOrder.find(c);
    return i == std::string_view::npos ? 0 : static_cast<KeySet>(1U << i);
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

std::string printable(std::string_view field) {
    std::string out;
    for (char c : field.substr(0, 20)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            out += '?';
        }
    }
    if (field.size() > 20) out += "...";
    return out;
}

// Empty when the line is good; otherwise what is wrong with it.
std::string parseLine(std::string_view line, ScriptStep& step, bool& hasStep) {
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
            return "count '" + printable(countField) + "' is not a whole number";
        count = count * 10 + (c - '0');
        if (count > maxStepCount) return "count must be from 1 to 1000000";
    }
    if (count < 1) return "count must be from 1 to 1000000";
    const std::string_view keysField = nextField(rest);
    if (keysField.empty()) return "missing keys after the count (use - for none)";
    if (!trim(rest).empty()) return "unexpected '" + printable(trim(rest)) + "' after the keys";
    KeySet keys = 0;
    if (keysField != "-") {
        for (char c : keysField) {
            const KeySet bit = bitForLetter(c);
            if (bit == 0) {
                return "unknown key '" + printable(std::string_view(&c, 1)) +
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

} // namespace

ScriptResult parseScript(std::string_view text, std::string_view name) {
    ScriptResult result;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ScriptStep step{};
        bool hasStep = false;
        const std::string problem = parseLine(line, step, hasStep);
        if (!problem.empty()) {
            result.steps.clear();
            result.error = std::string(name) + ":" + std::to_string(lineNumber) + ": " + problem;
            return result;
        }
        if (hasStep) result.steps.push_back(step);
    }
    return result;
}

ScriptResult loadScript(const std::string& path) {
    std::string text;
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return parseScript(text, "<stdin>");
    }
    auto failure = [](const std::string& name, const char* problem) {
        ScriptResult result;
        result.error = (name.empty() ? std::string("''") : name) + ":0: " + problem;
        return result;
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return failure(path, "is a folder, not a script");
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return failure(path, "cannot open the script");
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return failure(path, "cannot read the script");
    return parseScript(buffer.str(), path);
}

std::string keyLetters(KeySet keys) {
    std::string out;
    for (std::size_t i = 0; i < keyOrder.size(); ++i) {
        if (keys & (1U << i)) out += keyOrder[i];
    }
    return out.empty() ? "-" : out;
}

} // namespace kueruma::headless
