// Every file the programs write, by one rule: odd targets refused before anything runs, nothing
// half written left behind by a signal, a closed pipe named, and a recording kept to the end.
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
