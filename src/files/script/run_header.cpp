#include "files/script/run_header.hpp"

#include "cli/command_line.hpp"

#include <vector>

namespace kueruma::script {

namespace {

// The command in one header line is read as the shell would split it and as the runner reads
// its command line, so "--stage=3" is the runner's third stage and a quoted file name is one
// word. Which kind of line it is; what is wrong with it goes in `error`.
enum class StartLine { none, solverNote, replayCommand };
StartLine readStartLine(std::string_view line, RunStart& start, std::string& error) {
    line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    std::vector<std::string> words = shellWords(line);
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

} // namespace

// The run's one replay command says where it starts, else the solver's note of the stage (a
// solved stage recorded again keeps both).
std::string readRunStart(const Script& script, std::string_view name, RunStart& start) {
    std::size_t commandLine = 0;
    for (const HeaderLine& line : script.header) {
        std::string error;
        RunStart read;
        const StartLine kind = readStartLine(line.text, read, error);
        if (kind == StartLine::none) continue;
        const std::string at = std::string(name) + ":" + std::to_string(line.line) + ": ";
        if (kind == StartLine::replayCommand && commandLine != 0) {
            return at + "a second replay command (line " + std::to_string(commandLine) +
                   " has one): keep the one that says where the run starts";
        }
        if (!error.empty()) return at + error;
        if (kind == StartLine::solverNote && commandLine != 0) continue;
        start = read;
        if (kind == StartLine::replayCommand) commandLine = line.line;
    }
    return {};
}

} // namespace kueruma::script
