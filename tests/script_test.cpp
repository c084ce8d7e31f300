// Replay scripts and the kueruma-replay command line: good scripts run, bad ones name the file
// and line, run nothing and exit with status 2.
#include "cli/command_line.hpp"
#include "files/script/script.hpp"
#include "image/png_io.hpp"
#include "raster/framebuffer.hpp"

#include <gif_lib.h>
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

struct RunResult {
    int status;
    std::string out;
};

// Runs a shell command in the folder the tests run in, with stderr folded into the output.
RunResult shell(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

RunResult replay(const std::string& args) {
    return shell("./kueruma-replay " + args + " 2>&1");
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
    const RunResult notAFolder = replay("--png " + writeFile("afile", ""));
    EXPECT_EQ(notAFolder.status, 2);
    EXPECT_NE(notAFolder.out.find("afile' is not a folder"), std::string::npos);
    const RunResult missingFolder = replay("--png /no/such/folder");
    EXPECT_EQ(missingFolder.status, 2);
    EXPECT_NE(missingFolder.out.find("--png folder '/no/such/folder' does not exist"),
              std::string::npos);
    const RunResult folder = replay(::testing::TempDir());
    EXPECT_EQ(folder.status, 2);
    EXPECT_EQ(folder.out, ::testing::TempDir() + ": is a folder, not a script\n");
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

// Each picture of a GIF as the viewer shows it, with how long it stays (hundredths of a second).
struct GifPicture {
    raster::Framebuffer picture;
    int delayCs;
};

std::vector<GifPicture> decodeGif(const std::string& path) {
    std::vector<GifPicture> out;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr || DGifSlurp(gif) == GIF_ERROR) {
        ADD_FAILURE() << path << ": " << GifErrorString(gif ? gif->Error : error);
        return out;
    }
    raster::Framebuffer canvas(gif->SWidth, gif->SHeight);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        const GifImageDesc& d = image.ImageDesc;
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                const int index = image.RasterBits[y * d.Width + x];
                if (index == control.TransparentColor) continue;
                canvas.set(d.Left + x, d.Top + y, gif->SColorMap->Colors[index].Red);
            }
        }
        out.push_back({canvas, control.DelayTime});
    }
    DGifCloseFile(gif, &error);
    return out;
}

long long traceField(const std::string& line, const std::string& name) {
    const std::size_t at = line.find("\"" + name + "\":");
    return at == std::string::npos ? -1 : std::atoll(line.c_str() + at + name.size() + 3);
}

TEST(ReplayRunner, AGifShowsThePngFramesEachForAsLongAsTheVirtualClockKeepsIt) {
    // The intro's two-second pause, play, a give-up and the result screen after its pause.
    const std::string script = writeFile("gif.txt", "1 -\n20 R\n4 RZ\n1 F\n3 -\n");
    // A folder of this run's own: the frames of another run at the same time are not these.
    const std::string dir = ::testing::TempDir() + "gif-frames-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    for (const auto& [from, to] : {std::pair{0, 1000}, std::pair{5, 12}}) {
        const std::string gif = dir + "/run.gif";
        const RunResult r =
            replay("--stage 0 --trace --png " + dir + " --gif " + gif + " --from " +
                   std::to_string(from) + " --to " + std::to_string(to) + " " + script);
        ASSERT_EQ(r.status, 0) << r.out;
        // The pictures expected: the one on the screen at tick `from`, then every paint,
        // each from the moment its tick's pauses are over.
        std::vector<std::pair<int, long long>> shown; // frame's tick, centiseconds
        std::istringstream lines(r.out);
        std::string line;
        int lastPaint = 0;
        for (int tick = 1; std::getline(lines, line) && tick <= to; ++tick) {
            const bool painted = line.find("\"painted\":true") != std::string::npos;
            if (painted) lastPaint = tick;
            if (tick < from || (tick > from && !painted)) continue;
            const long long cs = (traceField(line, "ms") + traceField(line, "sleptMs")) / 10;
            // A picture replaced within the same hundredth of a second is never seen.
            if (!shown.empty() && shown.back().second == cs) shown.pop_back();
            shown.push_back({lastPaint, cs});
        }
        if (from == 0 && shown.front().second > 0) shown.insert(shown.begin(), {0, 0});
        const std::vector<GifPicture> pictures = decodeGif(gif);
        ASSERT_EQ(pictures.size(), shown.size()) << "from " << from;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            raster::Framebuffer png(1, 1);
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06d.png", shown[i].first);
            std::string error;
            ASSERT_TRUE(image::readGreyPng(dir + name, png, error)) << error;
            EXPECT_TRUE(std::equal(png.data(), png.data() + 632 * 433, pictures[i].picture.data()))
                << "picture " << i << " is not " << name;
            if (i + 1 < shown.size()) {
                EXPECT_EQ(pictures[i].delayCs, shown[i + 1].second - shown[i].second) << i;
            }
        }
        if (from == 0) {
            EXPECT_EQ(pictures[0].delayCs, 205) << "the intro stays through its pause";
            EXPECT_GE(pictures[pictures.size() - 2].delayCs, 100) << "the last play picture";
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(ReplayRunner, DumpsTheNineStages) {
    const RunResult r = replay("--dump-stages");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out.rfind(
            "{\"stages\":[{\"goalX\":4800,\"clearPoint\":300,\"blocks\":[[800,350,100,50,0],", 0),
        0U);
}

// Input that never ends, or never arrives, is stopped at once with a message.
TEST(ReplayRunner, EndlessOrUnreadableInputExitsTwoWithAMessage) {
    struct Case {
        std::string command;
        std::string message;
    };
    const Case cases[] = {
        {"./kueruma-replay - </dev/zero", "<stdin>:1: line is longer than 4096 characters"},
        {"yes '1 -' | ./kueruma-replay --trace -",
         "<stdin>:1000001: a script holds at most 1000000 instructions"},
        {"./kueruma-replay - <&-", "<stdin>: cannot read the script: Bad file descriptor"},
        {"./kueruma-replay - <.", "<stdin>: cannot read the script: Is a directory"},
    };
    for (const Case& c : cases) {
        const RunResult r = shell(c.command + " 2>&1");
        EXPECT_EQ(r.status, 2) << c.command;
        EXPECT_EQ(r.out, c.message + "\n") << c.command;
    }
}

// A full disk or a closed standard output must not pass for a good run.
TEST(ReplayRunner, LostOutputExitsOneAndSaysWhatWasLost) {
    const std::string script = writeFile("ten.txt", "10 -\n");
    const char* lost = "kueruma-replay: cannot write to standard output: ";
    for (const std::string& args : {"--trace " + script, std::string("--dump-stages")}) {
        const RunResult full = shell("./kueruma-replay " + args + " 2>&1 >/dev/full");
        EXPECT_EQ(full.status, 1) << args;
        EXPECT_EQ(full.out, lost + std::string("No space left on device\n")) << args;
        const RunResult closed = shell("./kueruma-replay " + args + " 2>&1 >&-");
        EXPECT_EQ(closed.status, 1) << args;
        EXPECT_EQ(closed.out, lost + std::string("Bad file descriptor\n")) << args;
    }
    // A file size limit stands in for a full disk: the frame fails when it is closed.
    const std::string frames = ::testing::TempDir() + "full-frames";
    std::filesystem::remove_all(frames);
    std::filesystem::create_directory(frames);
    const RunResult disk = shell("(ulimit -f 1; trap '' XFSZ; exec ./kueruma-replay --png " +
                                 frames + " " + script + ") 2>&1");
    EXPECT_EQ(disk.status, 1);
    EXPECT_EQ(disk.out,
              "kueruma-replay: cannot write " + frames + "/frame-000000.png: File too large\n");
    EXPECT_TRUE(std::filesystem::is_empty(frames)) << "no cut-off frame is left";
}

TEST(ReplayRunner, AFrameAtALinkReplacesTheFileItLeadsToAndKeepsTheLink) {
    const std::string dir = ::testing::TempDir() + "linked-frames";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    const std::string outside = writeFile("outside.txt", "keep me");
    std::filesystem::create_symlink(outside, dir + "/frame-000000.png");
    const RunResult r = replay("--png " + dir + " " + writeFile("one.txt", "1 -\n"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/frame-000000.png"));
    EXPECT_GT(std::filesystem::file_size(outside), 100U);
}

// A fresh folder of this test's own under the test folder.
std::string freshFolder(const std::string& name) {
    const std::string dir = ::testing::TempDir() + name + "-" + std::to_string(getpid());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool gameBuilt() {
    return std::filesystem::exists("kueruma"); // the game needs SDL to be built
}

// The game where it cannot start: no display, no sound device.
const std::string gameWithoutDisplay =
    "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy ./kueruma";

// Every program writes its files by one rule: a FIFO, a device or a folder at the path is
// refused in one line before anything runs; a link there leads to the file replaced, in its own
// folder (one planted at the old "FILE.part" is never followed); a file there keeps its permissions
// and is left as it was until something good replaces it, its hard links keeping the old text.
TEST(WrittenFiles, EveryProgramRefusesOddTargetsAndNeverHarmsWhatIsThere) {
    const std::string dir = freshFolder("written");
    const std::string script = writeFile("written-three.txt", "3 -\n");
    // An opening that outlasts the stage: the solver writes it at once.
    const std::string opening = writeFile("written-long.txt", "962 -\n");
    struct Writer {
        std::string program;
        std::string command; // T stands for the file written
        bool writes;         // a run that writes T (the game cannot start here)
    };
    std::vector<Writer> writers = {
        {"kueruma-replay", "./kueruma-replay --gif T " + script, true},
        {"kueruma-solve", "./kueruma-solve 0 --opening " + opening + " --out T", true},
    };
    if (gameBuilt()) writers.push_back({"kueruma", gameWithoutDisplay + " --record T", false});
    const std::string target = dir + "/out";
    const std::string victim = dir + "/victim";
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.program);
        std::string command = w.command;
        command.replace(command.find(" T"), 2, " " + target);
        const auto run = [&] { return shell(command + " 2>&1"); };
        for (const auto& [make, kind] :
             {std::pair{"mkfifo ", "a pipe (FIFO)"}, std::pair{"mkdir ", "a folder"}}) {
            ASSERT_EQ(shell(make + target).status, 0);
            const RunResult r = run();
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.out, w.program + ": " + target + " is " + kind + ", not a file\n");
            EXPECT_FALSE(std::filesystem::is_regular_file(target));
            std::filesystem::remove(target);
        }
        std::ofstream(victim) << "victim";
        std::filesystem::create_symlink(victim, target);
        std::filesystem::create_symlink(victim, target + ".part");
        run();
        EXPECT_EQ(contents(victim) != "victim", w.writes) << "the file the link leads to";
        EXPECT_TRUE(std::filesystem::is_symlink(target));
        EXPECT_TRUE(std::filesystem::is_symlink(target + ".part"));
        std::filesystem::remove(target);
        std::filesystem::remove(target + ".part");
        std::ofstream(target) << "old\n";
        std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_write);
        std::filesystem::create_hard_link(target, dir + "/hard-link");
        run();
        EXPECT_EQ(std::filesystem::status(target).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        EXPECT_EQ(contents(target) != "old\n", w.writes);
        EXPECT_EQ(contents(dir + "/hard-link"), "old\n");
        std::filesystem::remove(target);
        std::filesystem::remove(dir + "/hard-link");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no leftovers";
    }
    // The script a game shows is never the one its recording is written through.
    if (gameBuilt()) {
        std::ofstream(target + ".part") << "3 D\n";
        shell(gameWithoutDisplay + " --play " + target + ".part --record " + target + " 2>&1");
        EXPECT_EQ(contents(target + ".part"), "3 D\n");
        EXPECT_FALSE(std::filesystem::exists(target)) << "a game that never started";
        std::filesystem::remove(target + ".part");
    }
    // A run that ends before its movie starts leaves the old file too.
    std::ofstream(target) << "old\n";
    const RunResult early = replay("--gif " + target + " --from 100 " + script);
    EXPECT_EQ(early.status, 1);
    EXPECT_EQ(contents(target), "old\n");
    // So does a full disk (a file size limit stands in for it): no cut-off movie replaces it.
    const RunResult full = shell("(ulimit -f 1; trap '' XFSZ; exec ./kueruma-replay --gif " +
                                 target + " " + script + ") 2>&1");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.out, "kueruma-replay: cannot write " + target + ": File too large\n");
    EXPECT_EQ(contents(target), "old\n");
    // A device is no file to write the solver's script to; a failed write says why.
    const RunResult device = shell("./kueruma-solve 0 --out /dev/full 2>&1");
    EXPECT_EQ(device.status, 2);
    EXPECT_EQ(device.out, "kueruma-solve: /dev/full is a device, not a file\n");
    const RunResult lost =
        shell("./kueruma-solve 0 --opening " + opening + " --out " + dir + "/no/such 2>&1");
    EXPECT_NE(lost.out.find("cannot write " + dir + "/no/such: No such file or directory\n"),
              std::string::npos)
        << lost.out;
    std::filesystem::remove_all(dir);
}

// What stops the game before its window opens is said in one line of its own, with nothing
// from the libraries before it; a window that cannot open is said before any sound is tried.
TEST(WrittenFiles, TheGameSaysInOneLineWhyItDoesNotStartOrRecord) {
    if (!gameBuilt()) GTEST_SKIP() << "the game needs SDL to be built";
    struct Case {
        std::string command;
        int status;
        std::string firstLine;
        bool alone = false; // the one line said
    };
    const std::string noDisplay = "kueruma: cannot open the window: no display to show it on";
    const Case cases[] = {
        {"./kueruma --record ''", 2, "kueruma: --record takes a file name"},
        {"./kueruma --record=", 2, "kueruma: --record takes a file name"},
        {"env -u XDG_RUNTIME_DIR " + gameWithoutDisplay, 2, noDisplay, true},
        {"env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "
         "SDL_AUDIODRIVER=no-such-audio-driver "
         "./kueruma",
         2, noDisplay, true},
        {"env -u HOME -u XDG_DATA_HOME " + gameWithoutDisplay, 2,
         "kueruma: neither XDG_DATA_HOME nor HOME is set: finished stages are not kept"},
    };
    for (const Case& c : cases) {
        const RunResult r = shell(c.command + " 2>&1");
        EXPECT_EQ(r.status, c.status) << c.command;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')).substr(0, c.firstLine.size()), c.firstLine)
            << c.command << ": " << r.out;
        if (c.alone) {
            EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << c.command << ": " << r.out;
        }
        for (std::size_t at = 0; at < r.out.size(); at = r.out.find('\n', at) + 1) {
            EXPECT_EQ(r.out.compare(at, 9, "kueruma: "), 0) << c.command << ": " << r.out;
            if (c.status == 2) break; // the usage follows
        }
    }
}

// A second game recording to the same file is turned away at once; SIGHUP (the terminal
// closed) ends the first as SIGTERM does, keeping what it recorded.
TEST(WrittenFiles, OneGameRecordsToAFileAndAHangUpKeepsItsTicks) {
    if (!gameBuilt()) GTEST_SKIP() << "the game needs SDL to be built";
    const std::string dir = freshFolder("locked");
    const std::string file = dir + "/session.txt";
    const std::string game =
        "env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_DATA_HOME=" + dir +
        " ./kueruma --record " + file;
    const RunResult r =
        shell("(" + game + " & first=$!\n" + "until [ -e " + file +
              " ]; do sleep 0.05; done\ntimeout 20 " + game + "; echo \"second: $?\"\n" +
              "sleep 1; kill -HUP $first; wait $first; echo \"first: $?\") 2>&1");
    EXPECT_EQ(r.out, "kueruma: " + file + " is being written by another program\nsecond: 2\n" +
                         "first: 0\n");
    const std::string recorded = contents(file);
    const std::size_t ticks = recorded.find(" ticks\n");
    ASSERT_NE(ticks, std::string::npos) << recorded;
    EXPECT_GT(std::atoi(recorded.c_str() + recorded.rfind("# ", ticks) + 2), 0) << recorded;
    std::filesystem::remove_all(dir);
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

// Runs `command` by fork and exec (so no shell leaves SIGINT ignored), signals it with `signal`
// once `ready` exists, and returns how it ended.
int signalledWhenReady(const std::string& command, const std::string& ready, int signal) {
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 600 && !std::filesystem::exists(ready); ++i) usleep(50000);
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

// A movie or frames cut short by SIGTERM, SIGINT or SIGHUP leave no hidden half-written file;
// a reader that stops early is a lost write, said in one line with status 1.
TEST(WrittenFiles, ASignalLeavesNoHalfWrittenFileAndAClosedPipeIsNamed) {
    const std::string dir = freshFolder("signalled");
    const std::string script = writeFile("signalled-long.txt", "2 D\n1 X\n200000 R\n");
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // The frames folder fills as the movie is written: the first frames say it has begun.
        const int status = signalledWhenReady("./kueruma-replay --png " + dir + " --gif " + dir +
                                                  "/run.gif " + script + " >/dev/null 2>&1",
                                              dir + "/frame-000040.png", signal);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
        }
        EXPECT_FALSE(std::filesystem::exists(dir + "/run.gif"));
    }
    const RunResult head = shell("{ ./kueruma-replay --trace " + script + " 2>" + dir +
                                 "/err; echo $? >" + dir + "/status; } | head -c 100 >/dev/null");
    EXPECT_EQ(contents(dir + "/status"), "1\n");
    EXPECT_EQ(contents(dir + "/err"),
              "kueruma-replay: cannot write to standard output: Broken pipe\n");
    std::filesystem::remove_all(dir);
}

// Standard output is '-'; a name that leads to a process's open file (/dev/stdout) is refused
// in one line and, even for root, stays the link it was.
TEST(WrittenFiles, StandardOutputIsADashAndDevStdoutIsNeverReplaced) {
    const std::string dir = freshFolder("stdout");
    const std::string script = writeFile("stdout-three.txt", "3 -\n");
    ASSERT_EQ(replay("--gif " + dir + "/run.gif " + script).status, 0);
    const RunResult piped = shell("./kueruma-replay --gif - " + script + " | wc -c");
    EXPECT_EQ(std::stoul(piped.out), std::filesystem::file_size(dir + "/run.gif"));
    const std::string refused =
        ": /dev/stdout is an open file of a process (/proc/self/fd/1), not a file: '-' writes "
        "to standard output\n";
    std::vector<std::pair<std::string, std::string>> commands = {
        {"kueruma-replay", "./kueruma-replay --gif /dev/stdout " + script},
        {"kueruma-solve", "./kueruma-solve 0 --out /dev/stdout"}};
    if (gameBuilt()) commands.push_back({"kueruma", gameWithoutDisplay + " --record /dev/stdout"});
    for (const auto& [program, command] : commands) {
        const RunResult r = shell(command + " 2>&1 >" + dir + "/out");
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_EQ(r.out, program + refused) << command;
        EXPECT_TRUE(std::filesystem::is_symlink("/dev/stdout"));
    }
    EXPECT_EQ(
        replay("--trace --gif - " + script)
            .out.rfind("kueruma-replay: --gif - and --trace would both write to standard output\n",
                       0),
        0U);
    const RunResult solved =
        shell("./kueruma-solve 0 --opening " + writeFile("stdout-long.txt", "962 -\n") +
              " --out - 2>/dev/null | head -1");
    EXPECT_EQ(solved.out.rfind("# kueruma-solve 0", 0), 0U) << solved.out;
    std::filesystem::remove_all(dir);
}

// --png refuses a FIFO or device at a frame's name before the run, as every target is refused.
TEST(WrittenFiles, FramesRefuseAFifoOrDeviceAtAFramesName) {
    const std::string dir = freshFolder("odd-frames");
    const std::string script = writeFile("odd-frames.txt", "3 -\n");
    ASSERT_EQ(shell("mkfifo " + dir + "/frame-000002.png").status, 0);
    std::filesystem::create_symlink("/dev/null", dir + "/frame-000001.png");
    const RunResult r = replay("--png " + dir + " " + script);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("frame-00000"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_TRUE(std::filesystem::is_fifo(dir + "/frame-000002.png"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/frame-000000.png")) << "nothing ran";
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    std::filesystem::remove_all(dir);
}

// Bad input the messages once showed badly: each is named, with the range or the cause, and a
// file's name never carries an escape sequence to the terminal.
TEST(ReplayRunner, MessagesNameTheCauseTheRangeAndShowNamesSafely) {
    const std::string dir = freshFolder("messages");
    std::filesystem::create_symlink("loop", dir + "/loop");
    const std::string utf16 = writeFile("utf16.txt", std::string("\xFF\xFE"
                                                                 "3\0 \0-\0\n\0",
                                                                 10));
    const std::string bare16 = writeFile("bare16.txt", std::string("3\0 \0-\0\n\0", 8));
    const std::string escaped = writeFile("red\x1b[31m.txt", "1 Q\n");
    const std::string script = writeFile("messages.txt", "3 -\n");
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {utf16, utf16 + ":1: the script is UTF-16 text: save it as UTF-8"},
        {bare16, bare16 + ":1: the script is UTF-16 text: save it as UTF-8"},
        {"'" + escaped + "'",
         ::testing::TempDir() +
             "red?[31m.txt:1: unknown key 'Q' (keys are L U R D X Z F, or - for none)"},
        {"--gif x.gif --from 99999999999999999999 " + script,
         "kueruma-replay: bad --from '99999999999999999999' (a whole number from 0 to "
         "922337203685477580)"},
        {"--png " + dir + "/loop " + script,
         "kueruma-replay: --png folder '" + dir + "/loop': Too many levels of symbolic links"},
        {dir + "/loop", dir + "/loop: cannot read the script: Too many levels of symbolic links"},
        {"--gif " + dir + "/loop " + script,
         "kueruma-replay: " + dir +
             "/loop is a loop of links (or more than 40 in a row), not a file"},
        // A picture's size means nothing without pictures.
        {"--client 1x1 --trace " + script, "kueruma-replay: --client goes with --png or --gif"},
    };
    for (const Case& c : cases) {
        const RunResult r = replay(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.message) << c.args;
    }
    std::filesystem::remove_all(dir);
}

// A walk cycle started at the largest count goes on through the wrap in the poses it has.
TEST(ReplayRunner, TheLargestWalkCountKeepsWalkingInTheWalkPoses) {
    const RunResult r = replay("--stage 0 --walk-count 2147483647 --trace " +
                               writeFile("walk-wrap.txt", "1 -\n60 R\n"));
    ASSERT_EQ(r.status, 0) << r.out;
    std::istringstream lines(r.out);
    int walking = 0;
    for (std::string line; std::getline(lines, line);) {
        const int pose = std::atoi(line.c_str() + line.find("\"pose\":") + 7);
        EXPECT_TRUE(pose < 10 || pose <= 13) << line;
        EXPECT_GE(pose, 0) << line;
        walking += pose >= 10 && pose <= 13;
    }
    EXPECT_GT(walking, 20);
}

// What the game refuses at start, each in one line with status 2; a closed terminal costs only
// the warnings, and a recording named with a dash replays from its own header.
TEST(WrittenFiles, TheGameRefusesEmptyScriptsAndKeepsItsRecordingPastAClosedPipe) {
    if (!gameBuilt()) GTEST_SKIP() << "the game needs SDL to be built";
    const std::string dir = freshFolder("game-edges");
    const std::string empty = writeFile("game-edges-empty.txt", "# nothing\n");
    const std::pair<std::string, std::string> refused[] = {
        {"--play ''", "kueruma: --play takes a file name"},
        {"--play /dev/null", "kueruma: /dev/null: holds no keys, nothing to show"},
        {"--play " + empty, "kueruma: " + empty + ": holds no keys, nothing to show"},
        {"--record -", "kueruma: --record takes a file name, not standard output ('-')"},
    };
    for (const auto& [args, message] : refused) {
        const RunResult r = shell(gameWithoutDisplay + " " + args + " 2>&1");
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), message) << args;
    }
    const std::string game = "env -u HOME -u XDG_DATA_HOME SDL_VIDEODRIVER=dummy "
                             "SDL_AUDIODRIVER=dummy " +
                             std::filesystem::current_path().string() + "/kueruma --play " +
                             writeFile("game-edges-exit.txt", "3 D\n1 X\n");
    // The reader of its warnings is gone before the game starts.
    shell("cd " + dir + " && { sleep 0.5; " + game +
          " --record -rec.txt 2>&1 >/dev/null; } | true");
    const std::string recorded = contents(dir + "/-rec.txt");
    EXPECT_NE(recorded.find("\n# 4 ticks\n"), std::string::npos) << recorded;
    EXPECT_NE(recorded.find("# replay: kueruma-replay -- -rec.txt\n"), std::string::npos)
        << recorded;
    const RunResult replayed =
        shell("cd " + dir + " && PATH=" + std::filesystem::current_path().string() +
              ":$PATH kueruma-replay --trace -- -rec.txt 2>&1 | wc -l");
    EXPECT_EQ(replayed.out, "4\n");
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kueruma
