#include "backends/web/web_runs.hpp"

#include "cli/command_line.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/session.hpp"
#include "files/script/script.hpp"

#include <emscripten.h>

#include <algorithm>
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
    int walkCount = 0;
};

// The run the page opened, waiting for the next game.
struct OpenedRun {
    bool waiting = false;
    RunStart start;
    std::vector<script::Step> steps;
};
OpenedRun opened;

// Reads the runner's command in one header line: "# replay: kueruma-replay --stage N
// --walk-count W FILE" (kept runs, recordings) or "# kueruma-solve N ..." (the replays folder).
// The command is read as the shell would split it and as the runner reads its command line,
// so "--stage=3" is the runner's third stage and a quoted file name is one word.
// Which kind of line it is; what is wrong with it goes in `error`.
enum class StartLine { none, solverNote, replayCommand };
StartLine readStartLine(std::string_view line, RunStart& start, std::string& error) {
    line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    std::vector<std::string> words = script::shellWords(line);
    if (words.size() >= 2 && words[0] == "kueruma-solve") {
        error = cli::readStage("kueruma-solve", words[1], start.stage);
        return StartLine::solverNote;
    }
    if (words.size() < 2 || words[0] != "replay:" || words[1] != "kueruma-replay")
        return StartLine::none;
    words.erase(words.begin(), words.begin() + 2);
    cli::CommandLine command("kueruma-replay", "", "", {{"--stage", true}, {"--walk-count", true}});
    error = command.readWords(words);
    if (error.empty()) error = cli::readRunStart(command, start.stage, start.walkCount);
    return StartLine::replayCommand;
}

// The comment lines before the first instruction say where the run starts: its one replay
// command, else the solver's note of the stage (a solved stage recorded again keeps both).
std::string readRunStart(std::string_view text, std::string_view name, RunStart& start) {
    int commandLine = 0;
    for (int lineNumber = 1; !text.empty(); ++lineNumber) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) continue;
        if (line[first] != '#') break;
        std::string error;
        RunStart read;
        const StartLine kind = readStartLine(line.substr(first), read, error);
        if (kind == StartLine::none) continue;
        const std::string at = std::string(name) + ":" + std::to_string(lineNumber) + ": ";
        if (kind == StartLine::replayCommand && commandLine != 0) {
            return at + "a second replay command (line " + std::to_string(commandLine) +
                   " has one): keep the one that says where the run starts";
        }
        if (!error.empty()) return at + error;
        if (kind == StartLine::solverNote && commandLine != 0) continue;
        start = read;
        if (kind == StartLine::replayCommand) commandLine = lineNumber;
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
