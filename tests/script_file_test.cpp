// Replay scripts as files: good ones read whatever their layout, bad ones name the file, the
// line and the problem; names written into a header stay one word on their line.
#include "files/script/script.hpp"
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

TEST(Script, ReadsCountsKeysCommentsAndBlankLines) {
    const auto r = script::parse("# warm up\n\n3 -\n  2 RX   # jump\r\n1 LURDXZF\n", "s.txt");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.steps.size(), 3U);
    EXPECT_EQ(r.steps[0].count, 3);
    EXPECT_EQ(r.steps[0].keys, 0);
    EXPECT_EQ(r.steps[1].keys, loop::KeyRight | loop::KeyX);
    EXPECT_EQ(r.steps[2].keys, 0x7F);
    EXPECT_EQ(script::keyLetters(r.steps[1].keys), "RX");
}

// A run longer than one line may count goes on in the next line, so every written run reads back.
TEST(Script, WrittenRunsReadBackWhateverTheirLength) {
    std::vector<loop::KeySet> keys(script::maxStepCount + 1, loop::KeyRight);
    keys.push_back(0);
    EXPECT_EQ(script::lines(keys), "1000000 R\n1 R\n1 -\n");
}

TEST(Script, ALeadingByteOrderMarkIsSkipped) {
    const auto r = script::parse("\xEF\xBB\xBF"
                                 "2 R\r\n",
                                 "bom.txt");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.steps.size(), 1U);
    EXPECT_EQ(r.steps[0].count, 2);
    EXPECT_EQ(script::parse("1 -\n\xEF\xBB\xBF"
                            "1 R\n",
                            "bom.txt")
                  .error,
              "bom.txt:2: count '???1' is not a whole number");
}

TEST(Script, AnEmptyScriptIsFineAndRunsNoTick) {
    EXPECT_EQ(script::parse("", "e").steps.size(), 0U);
    EXPECT_EQ(script::parse("# nothing\n\n", "e").error, "");
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
        {[] {
             std::string many;
             for (int i = 0; i < 1'000'001; ++i) many += "1 -\n";
             return many;
         }(),
         "bad.txt:1000001: a script holds at most 1000000 instructions"},
    };
    for (const Case& c : cases) {
        const auto r = script::parse(c.text, "bad.txt");
        EXPECT_EQ(r.error, c.error);
        EXPECT_TRUE(r.steps.empty()) << "nothing runs from a bad script";
    }
}

// A name written into a header stays on its line, and the replay command pastes into a shell
// as the one word it was, whatever the name holds.
TEST(Script, NamesInHeadersStayOnTheirLineAndPasteAsOneWord) {
    struct Case {
        std::string word;
        std::string quoted;
    };
    const Case cases[] = {
        {"replays/stage-3.txt", "replays/stage-3.txt"},
        {"my run.txt", "'my run.txt'"},
        {"it's", "'it'\\''s'"},
        {"", "''"},
        {"a\n5 R\nb's", "$'a\\x0a5 R\\x0ab\\'s'"},
        {"tab\there\\", "$'tab\\x09here\\\\'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(script::shellQuoted(c.word), c.quoted);
        EXPECT_EQ(script::shellWords("kueruma-replay " + c.quoted + " --trace"),
                  (std::vector<std::string>{"kueruma-replay", c.word, "--trace"}))
            << c.quoted;
    }
    EXPECT_EQ(script::commentLine("showing a\n5 R\r"), "# showing a?5 R?\n");
    if (!gameBuilt()) return;
    // A recording named with a newline: it replays exactly the ticks it recorded.
    const std::string dir = freshFolder("named");
    const std::string name = dir + "/a\n5 R\nb c.txt";
    const RunResult game =
        shell("env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_DATA_HOME=" + dir +
              " ./kueruma --play " + writeFile("exit.txt", "3 D\n1 X\n") + " --record '" + name +
              "' 2>&1");
    ASSERT_EQ(game.status, 0) << game.out;
    const std::string recorded = contents(name);
    const std::size_t replay = recorded.find("# replay: ");
    ASSERT_NE(replay, std::string::npos) << recorded;
    const std::string command =
        recorded.substr(replay + 10, recorded.find('\n', replay) - replay - 10);
    std::ofstream(dir + "/paste.sh") << command << " --trace\n";
    const RunResult replayed = shell("PATH=.:$PATH bash " + dir + "/paste.sh");
    EXPECT_NE(recorded.find("\n# 4 ticks\n"), std::string::npos) << recorded;
    EXPECT_EQ(std::count(replayed.out.begin(), replayed.out.end(), '\n'), 4) << replayed.out;
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kueruma
