// Replay scripts and the kueruma-replay command line: good scripts run, bad ones name the file
// and line, run nothing and exit with status 2.
#include "platform/headless/script.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace kueruma {
namespace {

using headless::parseScript;

TEST(Script, ReadsCountsKeysCommentsAndBlankLines) {
    const auto r = parseScript("# warm up\n\n3 -\n  2 RX   # jump\r\n1 LURDXZF\n", "s.txt");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.steps.size(), 3U);
    EXPECT_EQ(r.steps[0].count, 3);
    EXPECT_EQ(r.steps[0].keys, 0);
    EXPECT_EQ(r.steps[1].keys, headless::KeyRight | headless::KeyX);
    EXPECT_EQ(r.steps[2].keys, 0x7F);
    EXPECT_EQ(headless::keyLetters(r.steps[1].keys), "RX");
}

TEST(Script, AnEmptyScriptIsFineAndRunsNoTick) {
    EXPECT_EQ(parseScript("", "e").steps.size(), 0U);
    EXPECT_EQ(parseScript("# nothing\n\n", "e").error, "");
}

TEST(Script, EachKindOfMistakeNamesFileLineAndProblem) {
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"1 -\n2 Q\n", "bad.txt:2: unknown key 'Q' (keys are L U R D X Z F, or - for none)"},
        {"0 -\n", "bad.txt:1: count must be from 1 to 1000000"},
        {"1000001 R\n", "bad.txt:1: count must be from 1 to 1000000"},
        {"99999999999999999999 R\n", "bad.txt:1: count must be from 1 to 1000000"},
        {"-3 R\n", "bad.txt:1: count '-3' is not a whole number"},
        {"x R\n", "bad.txt:1: count 'x' is not a whole number"},
        {"5\n", "bad.txt:1: missing keys after the count (use - for none)"},
        {"5 R X\n", "bad.txt:1: unexpected 'X' after the keys"},
        {"5 RR\n", "bad.txt:1: key 'R' is given twice"},
        {"5 r\n", "bad.txt:1: unknown key 'r' (keys are L U R D X Z F, or - for none)"},
        {std::string("1 -\n1 R\0\n", 9), "bad.txt:2: line contains a NUL byte"},
        {"1 -\n" + std::string(5000, ' ') + "1 R\n",
         "bad.txt:2: line is longer than 4096 characters"},
    };
    for (const Case& c : cases) {
        const auto r = parseScript(c.text, "bad.txt");
        EXPECT_EQ(r.error, c.error);
        EXPECT_TRUE(r.steps.empty()) << "nothing runs from a bad script";
    }
}

struct RunResult {
    int status;
    std::string out;
};

// Runs kueruma-replay from the folder the tests run in, with stderr folded into the output.
RunResult replay(const std::string& args) {
    const std::string command = "./kueruma-replay " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string writeFile(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(ReplayRunner, TracesThreeQuietTitleTicks) {
    const RunResult r = replay("--trace " + writeFile("quiet.txt", "3 -\n"));
    EXPECT_EQ(r.status, 0);
    int lines = 0;
    for (char c : r.out) lines += c == '\n';
    EXPECT_EQ(lines, 3);
    EXPECT_NE(r.out.find("\"tick\":3,\"ms\":600,\"timerMs\":200,\"screen\":1"), std::string::npos);
    EXPECT_EQ(r.out.find("WavF"), std::string::npos);
}

TEST(ReplayRunner, ABadScriptRunsNothingAndExitsTwo) {
    const std::string path = writeFile("bad.txt", "2 D\n1 Y\n");
    const RunResult r = replay("--trace " + path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, path + ":2: unknown key 'Y' (keys are L U R D X Z F, or - for none)\n");
}

TEST(ReplayRunner, BadOptionsExitTwoWithAMessage) {
    for (const char* args : {"--stage 9", "--stage -1", "--stage", "--client 0x10", "--client 640",
                             "--frobnicate", "a.txt b.txt", "--png"}) {
        const RunResult r = replay(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.out.find("kueruma-replay: "), std::string::npos) << args;
    }
    EXPECT_EQ(replay("/no/such/script.txt").status, 2);
    const RunResult missingFolder = replay("--png /no/such/folder");
    EXPECT_EQ(missingFolder.status, 2);
    EXPECT_NE(missingFolder.out.find("--png folder '/no/such/folder' does not exist"),
              std::string::npos);
    const RunResult folder = replay(::testing::TempDir());
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.out.find(":0: is a folder, not a script"), std::string::npos);
}

TEST(ReplayRunner, ExitFromTheTitleMenuEndsTheRunWithTheProgramsStatus) {
    const RunResult r = replay("--trace " + writeFile("exit.txt", "3 D\n1 X\n5 -\n"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"tick\":4"), std::string::npos);
    EXPECT_NE(r.out.find("\"quit\":true"), std::string::npos);
    EXPECT_EQ(r.out.find("\"tick\":5"), std::string::npos);
}

TEST(ReplayRunner, AStageOptionMakesTheFirstTickTheIntro) {
    const RunResult r = replay("--stage 7 --trace " + writeFile("one.txt", "1 -\n"));
    EXPECT_NE(r.out.find("\"timerMs\":50,\"screen\":0,\"stageIndex\":7"), std::string::npos);
    EXPECT_NE(r.out.find("\"sleptMs\":2000"), std::string::npos);
}

TEST(ReplayRunner, DumpsTheNineStages) {
    const RunResult r = replay("--dump-stages");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out.rfind(
            "{\"stages\":[{\"goalX\":4800,\"clearPoint\":300,\"blocks\":[[800,350,100,50,0],", 0),
        0U);
}

} // namespace
} // namespace kueruma
