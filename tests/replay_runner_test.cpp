// The kueruma-replay runner: what it traces, dumps and draws (PNG frames and the GIF movie),
// and how it refuses bad options, input it cannot read and output it cannot write.
#include "files/script/script.hpp"
#include "image/png_io.hpp"
#include "raster/framebuffer.hpp"
#include "support/programs.hpp"

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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kueruma {
namespace {

using namespace support;

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

// A ghost that cannot be is named in one line, and the run goes on without it, the same run.
TEST(ReplayRunner, ABadGhostIsNamedOnceAndTheRunGoesOnWithoutIt) {
    const std::string dir = freshFolder("ghosts");
    const std::string script = writeFile("ghosted.txt", "# kueruma-solve 3\n1 -\n40 RX\n");
    const std::string alone = replay("--stage 3 --trace " + script).out;
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    std::string huge = "# kueruma-solve 3\n";
    for (int i = 0; i <= 1'000'000; ++i) huge += "1 R\n";
    struct Case {
        std::string ghost;
        std::string message; // empty: a good ghost, and no line
    };
    const Case cases[] = {
        {dir + "/fifo", dir + "/fifo: not a run (only a regular file can be a ghost)"},
        {"/dev/zero", "/dev/zero: not a run (only a regular file can be a ghost)"},
        {dir, dir + ": not a run (only a regular file can be a ghost)"},
        {dir + "/none", dir + "/none: no such file"},
        {writeFile("ghost-text.txt", "# kueruma-solve 3\nhello\n"),
         ::testing::TempDir() + "ghost-text.txt:2: count 'hello' is not a whole number"},
        {writeFile("ghost-title.txt", "9 R\n"),
         ::testing::TempDir() +
             "ghost-title.txt: not a run of one stage (its header names no 'kueruma-replay "
             "--stage N')"},
        {writeFile("ghost-empty.txt", "# kueruma-solve 3\n"),
         ::testing::TempDir() + "ghost-empty.txt: holds no keys"},
        {writeFile("ghost-huge.txt", huge),
         ::testing::TempDir() +
             "ghost-huge.txt:1000002: a script holds at most 1000000 instructions"},
        {writeFile("ghost-4.txt", "# kueruma-solve 4\n9 R\n"),
         ::testing::TempDir() + "ghost-4.txt: a run of stage 4, not of stage 3 being played"},
        // A million ticks: the ghost's stage ends long before its keys do.
        {writeFile("ghost-long.txt", "# kueruma-solve 3\n1000000 R\n1000000 X\n"), ""},
    };
    for (const Case& c : cases) {
        const RunResult r = replay("--stage 3 --trace --ghost '" + c.ghost + "' " + script);
        EXPECT_EQ(r.status, 0) << c.ghost;
        const std::string said = c.message.empty() ? "" : r.out.substr(0, r.out.find('\n') + 1);
        EXPECT_TRUE(said.starts_with(c.message.empty() ? "" : "kueruma-replay: " + c.message))
            << said;
        EXPECT_EQ(r.out.substr(said.size()), alone) << c.ghost;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kueruma
