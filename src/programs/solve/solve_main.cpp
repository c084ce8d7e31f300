// kueruma-solve: searches for keys that win a stage and writes them as a replay script, or
// measures how much slack a script leaves.
#include "command.hpp"
#include "jitter.hpp"
#include "search.hpp"

#include "cli/command_line.hpp"
#include "files/safe_write/safe_write.hpp"
#include "files/script/script.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace kueruma;

constexpr const char* program = "kueruma-solve";

// False, with a message, when the script did not arrive whole.
bool writeScript(const std::string& script, const std::string& out) {
    std::string error;
    if (out.empty()) {
        const bool written = std::fwrite(script.data(), 1, script.size(), stdout) == script.size();
        if (cli::closeStandardOutput(error) && written) return true;
        if (error.empty()) error = std::strerror(errno);
        std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program, error.c_str());
        return false;
    }
    if (safe_write::writeWhole(out, script, error)) return true;
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return false;
}

int jitter(const cli::CommandLine& line, const solver::SolveCommand& command) {
    const script::Script script = script::load(command.jitterScript);
    if (!script.error.empty()) return line.fail(script.error);
    std::vector<loop::KeySet> keys;
    for (const script::Step& step : script.steps) {
        keys.insert(keys.end(), static_cast<std::size_t>(step.count), step.keys);
    }
    const solver::SearchOptions& o = command.search;
    const int wins = solver::jitterWins(o.stage, keys, command.jitterCopies, o.seed);
    const std::string report = command.jitterScript + ": " + std::to_string(wins) + " of " +
                               std::to_string(command.jitterCopies) +
                               " jittered copies win stage " + std::to_string(o.stage) + " (seed " +
                               std::to_string(o.seed) + ")\n";
    return writeScript(report, "") ? 0 : 1;
}

int solve(const solver::SolveCommand& command) {
    const solver::SearchOptions& o = command.search;
    const solver::SearchResult result = solver::solveStage(o);
    const solver::Run& run = result.best;
    std::fprintf(stderr,
                 "stage %d: %s, score %d, %zu ticks, %d beams, %lld ticks simulated, %.1f s\n",
                 o.stage, result.won ? "won" : "not won", run.score, run.keys.size(),
                 result.beamsTried, static_cast<long long>(result.ticksSimulated), result.seconds);
    if (result.cutShort) {
        std::fprintf(stderr,
                     "%s: --seconds cut the search short before its budget was spent; "
                     "the run depends on this machine's speed\n",
                     program);
    }
    if (run.keys.empty()) return 1;
    if (!writeScript(solver::scriptText(o, result), command.out)) return 1;
    return result.won ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    // A reader that stops early (`| head`) is a lost write, reported like a full disk.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    safe_write::removeNewFilesOnSignals();
    cli::CommandLine line = solver::solveCommandLine();
    if (!line.read(argc, argv)) return line.exitStatus();
    solver::SolveCommand command;
    const std::string problem = solver::readCommand(line, command);
    if (!problem.empty()) return line.fail(problem);
    // A file that cannot be written is named before the search spends its time.
    if (const std::string refused = safe_write::checkTarget(command.out); !refused.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, refused.c_str());
        return 2;
    }
    return command.jitterCopies > 0 ? jitter(line, command) : solve(command);
}
