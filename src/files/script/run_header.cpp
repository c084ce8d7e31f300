#include "files/script/run_header.hpp"

#include "cli/command_line.hpp"

#include <limits>
#include <vector>

namespace kueruma::script {

namespace {

// Empty when the line is good; otherwise what is wrong with it.
std::string readStartLine(std::string_view line, RunStart& start) {
    line.remove_prefix(1);
    const std::vector<std::string> words = shellWords(line);
    if (words.size() >= 2 && words[0] == "kueruma-solve")
        return cli::readStage("kueruma-solve", words[1], start.stage);
    if (words.size() < 2 || words[0] != "replay:" || words[1] != "kueruma-replay") return {};
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

} // namespace

std::string readRunStart(const Script& script, std::string_view name, RunStart& start) {
    for (const HeaderLine& line : script.header) {
        const std::string error = readStartLine(line.text, start);
        if (!error.empty())
            return std::string(name) + ":" + std::to_string(line.line) + ": " + error;
    }
    return {};
}

} // namespace kueruma::script
