#include "command.hpp"

#include "files/script/script.hpp"
#include "world/stages.hpp"

#include <cstdint>

namespace kueruma::solver {

namespace {

constexpr std::string_view program = "kueruma-solve";
constexpr std::string_view scoreMark = ": score ";

constexpr std::string_view usage =
    "usage: kueruma-solve STAGE [--budget TICKS] [--seed S] [--hold K] [--best] [--threads N]\n"
    "                     [--seconds N] [--opening SCRIPT] [--verbose] [--out FILE]\n"
    "       kueruma-solve STAGE --jitter COPIES SCRIPT [--seed S]\n";
const std::string details =
    "Searches for keys that reach STAGE's (" + cli::stageRange() +
    ") target and prints them as a replay script\n"
    "headed by the command that finds them again.\n"
    "  --budget TICKS    the work to do, in simulated ticks (default 20000000); the seed and\n"
    "                    the budget alone decide the run\n"
    "  --seed S          the search's random seed (default 1)\n"
    "  --hold K          choose keys every K ticks and hold them K ticks (default 1)\n"
    "  --best            go on after a win for the highest score, until the budget is spent\n"
    "  --threads N       threads that play the search's candidates (default 2)\n"
    "  --seconds N       stop after N seconds even if budget is left (the run then depends on\n"
    "                    the machine, and says so)\n"
    "  --opening SCRIPT  keys for the first ticks after the stage intro\n"
    "  --verbose         report progress on standard error\n"
    "  --out FILE        write the script to FILE instead of standard output ('-')\n"
    "  --jitter COPIES   play COPIES of SCRIPT with every change of keys moved a tick early,\n"
    "                    late or not at all, and count how many still win\n";

constexpr long long largestBudget = 1'000'000'000'000;

// The longest --seconds: any longer and the deadline would not fit the clock's numbers.
constexpr double longestSeconds = 1'000'000;

std::string readOpening(const std::string& path, SearchOptions& o) {
    const script::Script script = script::load(path);
    if (!script.error.empty()) return script.error;
    for (const script::Step& step : script.steps) {
        o.opening.insert(o.opening.end(), static_cast<std::size_t>(step.count), step.keys);
    }
    o.openingPath = path;
    return "";
}

std::string readSearch(const cli::CommandLine& line, SearchOptions& o) {
    long long n = o.budget;
    if (auto e = line.wholeNumber("--budget", 1, largestBudget, n); !e.empty()) return e;
    o.budget = n;
    n = static_cast<long long>(o.seed);
    if (auto e = line.wholeNumber("--seed", 0, INT64_MAX, n); !e.empty()) return e;
    o.seed = static_cast<std::uint64_t>(n);
    n = o.hold;
    if (auto e = line.wholeNumber("--hold", 1, 50, n); !e.empty()) return e;
    o.hold = static_cast<int>(n);
    n = o.threads;
    if (auto e = line.wholeNumber("--threads", 1, 64, n); !e.empty()) return e;
    o.threads = static_cast<int>(n);
    if (auto e = line.number("--seconds", 0.001, longestSeconds, o.seconds); !e.empty()) return e;
    if (const std::string* s = line.value("--opening")) return readOpening(*s, o);
    return "";
}

} // namespace

cli::CommandLine solveCommandLine() {
    return cli::CommandLine(program, usage, details,
                            {{"--budget", true},
                             {"--seed", true},
                             {"--hold", true},
                             {"--best", false},
                             {"--threads", true},
                             {"--seconds", true},
                             {"--opening", true},
                             {"--verbose", false},
                             {"--out", true},
                             {"--jitter", true}});
}

std::string readCommand(const cli::CommandLine& line, SolveCommand& command) {
    const std::vector<std::string>& operands = line.operands();
    const bool jitter = line.value("--jitter") != nullptr;
    if (operands.empty()) return "a stage index from " + cli::stageRange() + " is needed";
    if (operands.size() != (jitter ? 2u : 1u)) {
        return jitter ? "--jitter takes a stage and a script" : "only one stage at a time";
    }
    long long stage = 0;
    if (!cli::parseWholeNumber(operands.front(), world::stageCount - 1, stage)) {
        return "the stage is an index from " + cli::stageRange() + ", not '" +
               cli::printable(operands.front()) + "'";
    }
    SearchOptions& o = command.search;
    o.stage = static_cast<int>(stage);
    o.best = line.has("--best");
    o.verbose = line.has("--verbose");
    if (std::string e = readSearch(line, o); !e.empty()) return e;
    if (const std::string* s = line.value("--out")) {
        if (s->empty()) return "--out takes a file";
        // '-' is standard output, where the script goes without --out.
        if (*s != "-") command.out = *s;
    }
    if (jitter) {
        long long copies = 0;
        if (auto e = line.wholeNumber("--jitter", 1, 1'000'000, copies); !e.empty()) return e;
        command.jitterCopies = static_cast<int>(copies);
        command.jitterScript = operands[1];
    }
    return "";
}

std::string parseArguments(const std::vector<std::string>& args, SolveCommand& command) {
    std::vector<std::string> words{std::string(program)};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    cli::CommandLine line = solveCommandLine();
    if (!line.read(static_cast<int>(argv.size()), argv.data())) return "not a solver command";
    return readCommand(line, command);
}

std::string commandLine(const SearchOptions& o) {
    std::string line = std::string(program) + " " + std::to_string(o.stage) + " --seed " +
                       std::to_string(o.seed) + " --hold " + std::to_string(o.hold) + " --budget " +
                       std::to_string(o.budget);
    if (!o.openingPath.empty()) line += " --opening " + script::shellQuoted(o.openingPath);
    if (o.best) line += " --best";
    return line;
}

std::string scriptText(const SearchOptions& o, const SearchResult& result) {
    std::string text =
        "# " + commandLine(o) + std::string(scoreMark) + std::to_string(result.best.score) + "\n";
    if (result.cutShort) {
        text += "# (cut short by --seconds before the budget was spent: another machine finds "
                "another run)\n";
    }
    return text + script::lines(result.best.keys);
}

std::vector<std::string> headerArguments(std::string_view firstLine) {
    const std::string prefix = "# " + std::string(program) + " ";
    const std::size_t end = firstLine.rfind(scoreMark);
    if (firstLine.rfind(prefix, 0) != 0 || end == std::string_view::npos) return {};
    return script::shellWords(firstLine.substr(prefix.size(), end - prefix.size()));
}

} // namespace kueruma::solver
