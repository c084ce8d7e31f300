// The programs' command lines: --help and --version, values after "=" and "--", repeated
// options, and the messages that name a bad value and its range.
#include "cli/command_line.hpp"
#include "support/programs.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kueruma {
namespace {

using namespace support;

TEST(CommandLines, HelpPrintsTheUsageAndVersionTheVersionAndBothExitZero) {
    for (const char* program : {"kueruma-replay", "kueruma-solve", "kueruma"}) {
        if (!std::filesystem::exists(program)) continue; // the game needs SDL to be built
        for (const char* option : {"--help", "-h"}) {
            const RunResult r = shell(std::string("./") + program + " " + option + " 2>/dev/null");
            EXPECT_EQ(r.status, 0) << program << " " << option;
            EXPECT_EQ(r.out.rfind(std::string("usage: ") + program, 0), 0U) << r.out;
            EXPECT_NE(r.out.find("--version"), std::string::npos) << r.out;
        }
        // Anything after --version is not read: the version alone, even after a bad option.
        const RunResult version = shell(std::string("./") + program + " --version --x 2>&1");
        EXPECT_EQ(version.status, 0) << program;
        EXPECT_EQ(version.out, program + std::string(" ") + cli::programVersion() + "\n");
        const RunResult junk = shell(std::string("./") + program + " --frobnicate 2>&1");
        EXPECT_EQ(junk.status, 2) << program;
    }
}

TEST(CommandLines, ValuesAfterEqualsAndDoubleDashWorkRepeatsAndIgnoredArgumentsDoNot) {
    const std::string script = writeFile("two.txt", "2 -\n");
    const RunResult joined = replay("--stage=7 --trace -- " + script);
    EXPECT_EQ(joined.status, 0) << joined.out;
    EXPECT_NE(joined.out.find("\"stageIndex\":7"), std::string::npos);
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"--stage 1 --stage=2 " + script, "--stage is given twice"},
        {"--trace --trace " + script, "--trace is given twice"},
        {"--trace=yes " + script, "--trace takes no value"},
        {"--dump-stages " + script, "--dump-stages takes no script and no other option"},
        {"--dump-stages --stage 3", "--dump-stages takes no script and no other option"},
        {"--reduced-flashing " + script, "--reduced-flashing goes with --png or --gif"},
    };
    for (const Case& c : cases) {
        const RunResult r = replay(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out.rfind("kueruma-replay: " + c.message + "\n", 0), 0U) << r.out;
    }
    const RunResult solver = shell("./kueruma-solve 3 --seed 1 --seed=2 2>&1");
    EXPECT_EQ(solver.status, 2);
    EXPECT_EQ(solver.out.rfind("kueruma-solve: --seed is given twice\n", 0), 0U) << solver.out;
    // Every number beyond its range is refused alike, the largest ones too.
    const Case numbers[] = {
        {"--seconds 10000000000", "bad --seconds '10000000000' (a number from 0.001 to 1000000)"},
        {"--seconds nan", "bad --seconds 'nan' (a number from 0.001 to 1000000)"},
        {"--seed 99999999999999999999999",
         "bad --seed '99999999999999999999...' (a whole number from 0 to 9223372036854775807)"},
        {"--budget 99999999999999999999",
         "bad --budget '99999999999999999999' (a whole number from 1 to 1000000000000)"},
    };
    for (const Case& c : numbers) {
        const RunResult r = shell("./kueruma-solve 3 " + c.args + " 2>&1");
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out.rfind("kueruma-solve: " + c.message + "\n", 0), 0U) << r.out;
    }
}

} // namespace
} // namespace kueruma
