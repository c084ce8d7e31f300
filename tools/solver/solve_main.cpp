// kueruma-solve: searches for keys that win a stage and writes them as a replay script.
#include "search.hpp"

#include "platform/cli/command_line.hpp"
#include "platform/headless/script.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr const char* program = "kueruma-solve";
constexpr const char* usage =
    "usage: kueruma-solve STAGE [--seconds N] [--seed S] [--best] [--verbose] [--opening SCRIPT]\n"
    "                     [--out FILE]\n";
constexpr const char* details =
    "Searches for keys that reach STAGE's (0 to 8) target and prints them as a replay script.\n"
    "  --seconds N       how long to search (default 60)\n"
    "  --seed S          the search's random seed\n"
    "  --best            go on after a win for the highest score\n"
    "  --verbose         report progress on standard error\n"
    "  --opening SCRIPT  keys for the first ticks after the stage intro\n"
    "  --out FILE        write the script to FILE instead of standard output\n";

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

// Empty when the options are good; otherwise what is wrong.
std::string readOptions(const kueruma::cli::CommandLine& line,
                        kueruma::solver::SearchOptions& options, std::string& out) {
    double v = 0;
    if (line.operands().size() != 1) return "a stage index from 0 to 8 is needed";
    long long stage = 0;
    if (!kueruma::cli::parseWholeNumber(line.operands().front(), 8, stage)) {
        return "the stage is an index from 0 to 8, not '" + line.operands().front() + "'";
    }
    options.stage = static_cast<int>(stage);
    if (const std::string* s = line.value("--seconds")) {
        if (!parseNumber(*s, v) || !(v > 0)) return "bad --seconds";
        options.seconds = v;
    }
    if (const std::string* s = line.value("--seed")) {
        if (!parseNumber(*s, v) || !(v >= 0)) return "bad --seed";
        options.seed = static_cast<std::uint64_t>(v);
    }
    if (const std::string* s = line.value("--opening")) {
        const auto script = kueruma::headless::loadScript(*s);
        if (!script.error.empty()) return script.error;
        for (const auto& step : script.steps) {
            options.opening.insert(options.opening.end(), static_cast<std::size_t>(step.count),
                                   step.keys);
        }
    }
    if (const std::string* s = line.value("--out")) {
        if (s->empty()) return "--out takes a file";
        out = *s;
    }
    options.best = line.has("--best");
    options.verbose = line.has("--verbose");
    return {};
}

// False, with a message, when the script did not arrive whole.
bool writeScript(const std::string& script, const std::string& out) {
    std::string error;
    if (out.empty()) {
        const bool written = std::fwrite(script.data(), 1, script.size(), stdout) == script.size();
        if (kueruma::cli::closeStandardOutput(error) && written) return true;
        if (error.empty()) error = std::strerror(errno);
        std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program, error.c_str());
        return false;
    }
    std::ofstream file(out);
    file << script;
    file.close();
    if (file) return true;
    std::fprintf(stderr, "%s: cannot write %s\n", program, out.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    kueruma::cli::CommandLine line(program, usage, details,
                                   {{"--seconds", true},
                                    {"--seed", true},
                                    {"--best", false},
                                    {"--verbose", false},
                                    {"--opening", true},
                                    {"--out", true}});
    if (!line.read(argc, argv)) return line.exitStatus();
    kueruma::solver::SearchOptions options;
    std::string out;
    const std::string problem = readOptions(line, options, out);
    if (!problem.empty()) return line.fail(problem);

    const kueruma::solver::SearchResult result = kueruma::solver::solveStage(options);
    const kueruma::solver::Run& run = result.best;
    std::fprintf(stderr, "stage %d: %s, score %d, %zu ticks, %d beams, %.1f s\n", options.stage,
                 result.won ? "won" : "not won", run.score, run.keys.size(), result.beamsTried,
                 result.seconds);
    if (run.keys.empty()) return 1;
    const std::string script = "# kueruma-solve " + std::to_string(options.stage) + " --seed " +
                               std::to_string(options.seed) + ": score " +
                               std::to_string(run.score) + "\n" +
                               kueruma::solver::toScript(run.keys);
    if (!writeScript(script, out)) return 1;
    return result.won ? 0 : 1;
}
