// The solver's command line: reading it, and writing the part of it that remakes a search, so
// a script's header names the command that found it.
#pragma once

#include "search.hpp"

#include "cli/command_line.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace kueruma::solver {

struct SolveCommand {
    SearchOptions search;
    std::string out;
    // With --jitter: how many shaken copies of which script to play instead of searching.
    int jitterCopies = 0;
    std::string jitterScript;
};

// The solver's options, synopsis and help.
cli::CommandLine solveCommandLine();

// What a read command line asks for; the message says what is wrong, and is empty when all is
// good.
std::string readCommand(const cli::CommandLine& line, SolveCommand& command);

// The same for a list of arguments, such as a script's header names.
std::string parseArguments(const std::vector<std::string>& args, SolveCommand& command);

// The arguments that remake the search: everything that decides its result, nothing else.
std::string commandLine(const SearchOptions& options);

// The run found as a replay script, with a header naming the command and the score.
std::string scriptText(const SearchOptions& options, const SearchResult& result);

// The arguments of the command a script's first line names; empty when it names none.
std::vector<std::string> headerArguments(std::string_view firstLine);

} // namespace kueruma::solver
