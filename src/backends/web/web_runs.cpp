#include "backends/web/web_runs.hpp"

#include "cli/command_line.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/session.hpp"
#include "files/script/script.hpp"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::web::runs {

namespace {

// clang-format off
EM_JS(void, keepRunInPage, (const char* name, const char* text, int kept), {
    kuerumaPage.keepRun(UTF8ToString(name), UTF8ToString(text), kept);
});
// clang-format on

// Where a run starts: from start-up, or in a stage with the figure's walk cycle at a count.
struct RunStart {
    int stage = -1;
    std::int32_t walkCount = 0;
};

// The run the page opened, waiting for the next game.
struct OpenedRun {
    bool waiting = false;
    RunStart start;
    std::vector<script::Step> steps;
};
OpenedRun opened;

// Reads the runner options in one header line: "# replay: kueruma-replay --stage N
// --walk-count W FILE" (kept runs, recordings) or "# kueruma-solve N ..." (the replays folder).
// The command is read as the shell would, so a quoted file name is one word.
// Empty when the line is good; otherwise what is wrong with it.
std::string readStartLine(std::string_view line, RunStart& start, bool& isStart) {
    line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    std::vector<std::string> words = script::shellWords(line);
    isStart = words.size() >= 2 && (words[0] == "kueruma-solve" ||
                                    (words[0] == "replay:" && words[1] == "kueruma-replay"));
    if (words.size() >= 2 && words[0] == "kueruma-solve")
        return cli::readStage("kueruma-solve", words[1], start.stage);
    if (!isStart) return {};
    // --name=value as the command line takes it: the same as --name value.
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::size_t equals = words[i].find('=');
        if (!words[i].starts_with("--") || equals == std::string::npos) continue;
        words.insert(words.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                     words[i].substr(equals + 1));
        words[i].resize(equals);
    }
    for (std::size_t i = 2; i + 1 < words.size(); ++i) {
        if (words[i] == "--stage") {
            if (std::string error = cli::readStage("--stage", words[i + 1], start.stage);
                !error.empty())
                return error;
        } else if (words[i] == "--walk-count") {
            long long n = 0;
            if (!cli::parseWholeNumber(words[i + 1], std::numeric_limits<std::int32_t>::max(), n))
                return "--walk-count takes a whole number from 0 to 2147483647";
            start.walkCount = static_cast<std::int32_t>(n);
        }
    }
    return {};
}

// The comment lines before the first instruction say where the run starts.
std::string readRunStart(std::string_view text, std::string_view name, RunStart& start) {
    int startLine = 0;
    for (int lineNumber = 1; !text.empty(); ++lineNumber) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) continue;
        if (line[first] != '#') break;
        bool isStart = false;
        std::string error = readStartLine(line.substr(first), start, isStart);
        // Which of two would be meant cannot be known: neither is taken.
        if (error.empty() && isStart && startLine != 0) {
            error =
                "a second start command (the first is on line " + std::to_string(startLine) + ")";
        }
        if (isStart) startLine = lineNumber;
        if (!error.empty())
            return std::string(name) + ":" + std::to_string(lineNumber) + ": " + error;
    }
    return {};
}

void keepRun(const std::string& name, const std::string& text) {
    keepRunInPage(name.c_str(), text.c_str(), record::keptRuns);
}

} // namespace

void beginSession() {
    record::SessionOptions options;
    options.runKeeper = keepRun;
    if (opened.waiting) {
        options.playSteps = std::move(opened.steps);
        options.stage = opened.start.stage;
        options.walkCount = opened.start.walkCount;
        opened = OpenedRun{};
    }
    record::session() = record::Session{};
    std::string error; // a session without files to read or write cannot fail
    record::session().begin(options, error);
}

// The page opens a run: it is checked whole and, when good, shown by the next game. Returns ""
// or what is wrong, as "NAME:LINE: ...", for the page to show; nothing runs then.
// `length` bytes of `text`, so a NUL byte in a file is reported rather than ending it.
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_openRun(const char* textBytes, int length,
                                                            const char* name) {
    static std::string error;
    const std::string_view text(textBytes, static_cast<std::size_t>(length));
    script::Script parsed = script::parse(text, name);
    RunStart start;
    error = parsed.error.empty() ? readRunStart(text, name, start) : parsed.error;
    if (error.empty() && parsed.steps.empty()) error = std::string(name) + ": holds no keys";
    if (!error.empty()) return error.c_str();
    opened = {true, start, std::move(parsed.steps)};
    return "";
}

} // namespace kueruma::web::runs
