// Replay scripts and the kueruma-replay command line: good scripts run, bad ones name the file
// and line, run nothing and exit with status 2.
#include "cli/command_line.hpp"
#include "files/script/script.hpp"
#include "image/png_io.hpp"
#include "raster/framebuffer.hpp"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(ReplayRunner, AFrameReplacesALinkAtItsPathInsteadOfWritingThroughIt) {
    const std::string dir = ::testing::TempDir() + "linked-frames";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    const std::string outside = writeFile("outside.txt", "keep me");
    std::filesystem::create_symlink(outside, dir + "/frame-000000.png");
    const RunResult r = replay("--png " + dir + " " + writeFile("one.txt", "1 -\n"));
    EXPECT_EQ(r.status, 0) << r.out;
    std::ifstream kept(outside);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(dir + "/frame-000000.png"));
    EXPECT_GT(std::filesystem::file_size(dir + "/frame-000000.png"), 100U);
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
// refused in one line before anything runs; a link there is replaced, never written through
// (nor one planted at the old "FILE.part"); a file there keeps its permissions and is left as
// it was until something good replaces it, its hard links keeping the old text.
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
        EXPECT_EQ(contents(victim), "victim");
        EXPECT_EQ(std::filesystem::is_symlink(target), !w.writes);
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
