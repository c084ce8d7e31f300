// The replay runner given bad input: broken scripts from files and standard input, and command
// lines with bad, missing, doubled and random options. Each run must stop before the first
// tick with a message and status 2: no trace line, no frame, no crash, no hang.
#include "fuzz_input.hpp"

#include "backends/headless/headless.hpp"
#include "files/record/session.hpp"
#include "host/driver/practice.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kueruma {
namespace {

namespace fs = std::filesystem;
using fuzz::Random;

constexpr auto runLimit = std::chrono::seconds(60);

// The runs a session kept: each one's file name and text.
using KeptRuns = std::vector<std::pair<std::string, std::string>>;

struct Outcome {
    int status = -1; // exit status, or -1 when it did not exit by itself
    bool hung = false;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReplayCliFuzz : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) / (std::string("kueruma-fuzz-") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "frames");
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path writeScript(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Runs kueruma-replay with `args`, standard input from `input` (or nothing).
    Outcome run(const std::vector<std::string>& args, const fs::path& input = "/dev/null") {
        std::vector<std::string> all = {KUERUMA_REPLAY_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        const fs::path out = dir_ / "stdout";
        const fs::path err = dir_ / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        Outcome outcome;
        if (spawned != 0) return outcome;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + runLimit;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                outcome.hung = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!outcome.hung && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
        outcome.out = slurp(out);
        outcome.err = slurp(err);
        return outcome;
    }

    // A session recording to `name` in the test's folder, each run it keeps added to `kept`.
    record::SessionOptions keeping(const std::string& name, KeptRuns& kept) const {
        record::SessionOptions options;
        options.recordPath = (dir_ / name).string();
        options.runKeeper = [&kept](const std::string& run, const std::string& text) {
            kept.emplace_back(run, text);
        };
        return options;
    }

    bool noFrames() const { return fs::is_empty(dir_ / "frames"); }
    std::string frames() const { return (dir_ / "frames").string(); }

    fs::path dir_;
};

// Options that would make a good run trace and draw, so that any tick would show.
std::vector<std::string> watchingOptions(const std::string& frames) {
    return {"--trace", "--png", frames, "--stage", "3"};
}

TEST_F(ReplayCliFuzz, BrokenScriptsRunNothingAndNameTheirFirstBadLine) {
    Random random(77);
    int tried = 0;
    for (int i = 0; tried < 40 && i < 100'000; ++i) {
        const std::string text = fuzz::randomScript(random);
        const fs::path path = writeScript("script.txt", text);
        const script::Script parsed = script::parse(text, path.string());
        if (parsed.error.empty()) continue;
        ++tried;
        std::vector<std::string> args = watchingOptions(frames());
        args.push_back(path.string());
        const Outcome r = run(args);
        SCOPED_TRACE(parsed.error);
        ASSERT_FALSE(r.hung);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, parsed.error + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(noFrames());
    }
    EXPECT_EQ(tried, 40);
}

TEST_F(ReplayCliFuzz, BrokenScriptsFromStandardInputAreNamedAsSuch) {
    const std::string texts[] = {
        std::string("1 R\n2 X\n\0\n", 10),
        "5 RQ\n",
        std::string(5000, 'X'),
        "99999999999999999999999999999 R\n",
    };
    for (const std::string& text : texts) {
        const fs::path input = writeScript("stdin.txt", text);
        std::vector<std::string> args = watchingOptions(frames());
        args.push_back("-");
        const Outcome r = run(args, input);
        ASSERT_FALSE(r.hung);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, script::parse(text, "<stdin>").error + "\n");
        EXPECT_EQ(r.err.rfind("<stdin>:", 0), 0U) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(noFrames());
    }
}

// Parts of a command line that each make it bad, whatever good parts stand with them.
constexpr std::array badParts = {
    "--stage 9",
    "--stage -1",
    "--stage",
    "--stage ''",
    "--stage 1e1",
    "--stage 0x3",
    "--stage 99999999999999999999",
    "--stage +1",
    "--client 0x5",
    "--client 5x0",
    "--client 8193x10",
    "--client x",
    "--client 10x",
    "--client 10x10x10",
    "--client -5x5",
    "--client ' 5x5'",
    "--client",
    "--png",
    "--png ''",
    "--stage=9",
    "--stage=",
    "--png=",
    "--trace --trace",
    "--stag 1",
    "-x",
    "---",
    "--STAGE 1",
    "--trace=1",
    "-- -",
    "--dump-stage",
    "--dump-stages",
    "two-scripts",
    "--gif",
    "--gif ''",
    "--from 3",
    "--to=9",
    "--gif FRAMES --from 9 --to 3",
    "--gif FRAMES --from -1",
    "--walk-count -1",
    "--walk-count 2147483648",
    "--verify --stage 3",
    "--verify --trace",
    "--verify two-scripts",
};

// Parts that a good command line may have.
const std::array<std::string, 4> goodParts = {"--trace", "--stage 2", "--client 64x48",
                                              "--png FRAMES"};

// Adds the words of `part` to `into` as a shell splits them: at spaces, with '' quoting.
void splitQuoted(const std::string& part, std::vector<std::string>& into) {
    std::string word;
    bool quoted = false;
    bool any = false;
    for (char c : part) {
        if (c == '\'') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any || !word.empty()) into.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
        }
    }
    if (any || !word.empty()) into.push_back(word);
}

// A command line of `bad` among a random choice of good parts, in random order, ending in the
// script `good` unless `bad` names the scripts itself or must come last; FRAMES is `frames`.
std::vector<std::string> mixedCommandLine(Random& random, const std::string& bad,
                                          const std::string& good, const std::string& frames) {
    std::vector<std::string> parts;
    for (const std::string& p : goodParts)
        if (random.chance(50)) parts.push_back(p);
    // A dangling option must come last to be dangling.
    const bool dangling = bad == "--stage" || bad == "--client" || bad == "--png" || bad == "--gif";
    const std::size_t at = dangling ? parts.size() : random.below(parts.size() + 1);
    parts.insert(parts.begin() + static_cast<long>(at), bad);
    std::vector<std::string> args;
    for (const std::string& p : parts) {
        if (p == "two-scripts") {
            args.push_back(good);
            args.push_back(good);
        } else {
            splitQuoted(p, args);
        }
    }
    for (std::string& a : args)
        if (a == "FRAMES") a = frames;
    if (!dangling && bad != "two-scripts") args.push_back(good);
    return args;
}

// Each command line below has at least one bad part among good ones, in random order.
TEST_F(ReplayCliFuzz, BadCommandLinesStopWithUsageAndStatusTwo) {
    const fs::path good = writeScript("good.txt", "3 R\n");
    Random random(4242);
    for (int i = 0; i < 40; ++i) {
        const std::string bad = badParts[random.below(badParts.size())];
        const std::vector<std::string> args =
            mixedCommandLine(random, bad, good.string(), frames());
        std::string shown;
        for (const std::string& a : args) shown += "[" + a + "] ";
        SCOPED_TRACE(shown);
        const Outcome r = run(args);
        ASSERT_FALSE(r.hung);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("kueruma-replay: ", 0), 0U) << r.err;
        EXPECT_NE(r.err.find("usage: kueruma-replay"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(noFrames());
    }
}

// Random bytes as arguments: each is an unknown option or a script that does not exist.
TEST_F(ReplayCliFuzz, RandomArgumentsNeverRun) {
    Random random(99);
    for (int i = 0; i < 30; ++i) {
        std::vector<std::string> args = {"--trace"};
        std::string word;
        for (std::size_t n = 1 + random.below(40); n > 0; --n) {
            char c = static_cast<char>(1 + random.below(255)); // an argument holds no NUL
            if (c == '/') c = '_';                             // stay inside the test folder
            word += c;
        }
        if (random.chance(50) || word == "-") word = "--" + word;
        if (word.front() != '-') word = (dir_ / ("missing-" + word)).string();
        args.push_back(word);
        const Outcome r = run(args);
        SCOPED_TRACE(word);
        ASSERT_FALSE(r.hung);
        EXPECT_EQ(r.status, 2);
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ReplayCliFuzz, AMissingScriptIsNamedWithItsPath) {
    const std::string missing = (dir_ / "no-such-script.txt").string();
    const Outcome r = run({"--trace", missing});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, missing + ": cannot read the script: No such file or directory\n");
    EXPECT_EQ(r.out, "");
}

// A folder or an empty name is no script either; today both boot and exit 0 as if given an
// empty script (the folder opens as a stream and reads as nothing; the empty name reads as
// "no script").
TEST_F(ReplayCliFuzz, AFolderOrAnEmptyNameIsNoScript) {
    for (const std::string& name : {dir_.string(), std::string()}) {
        const Outcome r = run({"--trace", name});
        EXPECT_EQ(r.status, 2) << "[" << name << "]";
        EXPECT_FALSE(r.err.empty());
    }
}

std::string replayText(int stage) {
    return slurp(fs::path(KUERUMA_REPLAY_DIR) / ("stage-" + std::to_string(stage) + ".txt"));
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// --verify plays a run and holds its header to what the keys give; anything that is not a
// run, or is too long to play, is refused before the first tick.
TEST_F(ReplayCliFuzz, VerifyHoldsAHeaderToWhatItsKeysGive) {
    const std::string replay = replayText(3);
    const std::string claim = "--best: score 2661";
    const std::string verified = "stage 3: score 2661, result screen at tick 180, hash "
                                 "d98c62faa58183c7\n";
    std::string crlf;
    for (char c : replay) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string utf16 = "\xFF\xFE";
    for (char c : replay) utf16 += std::string(1, c) + '\0';
    std::string endless;
    for (int i = 0; i < 11; ++i) endless += "1000000 R\n";
    const std::string withHash = replaced(
        replay, "\n", "\n# verify: stage 3, score 2661, tick 180, hash d98c62faa58183c7\n");
    struct Case {
        const char* what;
        std::string text;
        int status;
        std::string out;
        std::string err; // a part of standard error
    };
    const Case cases[] = {
        {"the recorded replay", replay, 0, verified, ""},
        {"with CRLF line ends", crlf, 0, verified, ""},
        {"with its hash", withHash, 0, verified, ""},
        {"a higher score", replaced(replay, claim, "--best: score 2662"), 1, verified,
         ":1: stage 3: the header claims score 2662, the keys give 2661"},
        {"another hash", replaced(withHash, "hash d98c", "hash e98c"), 1, verified,
         ":2: stage 3: the header claims state hash e98c62faa58183c7, the keys give "
         "d98c62faa58183c7"},
        {"another tick", replaced(withHash, "tick 180", "tick 170"), 1, verified,
         "the header claims the result screen at tick 170, the keys bring it at tick 180"},
        {"another stage", replaced(withHash, "verify: stage 3", "verify: stage 4"), 1, verified,
         ":2: stage 4: the header names it as finished stage 1, but the keys finish stage 3"},
        {"cut in the middle of a line", replay.substr(0, replay.size() / 2), 2, "",
         "missing keys after the count"},
        {"cut after a line", replay.substr(0, replay.rfind('\n', replay.size() / 2) + 1), 1, "",
         "the keys end before the result screen of stage 3"},
        {"UTF-16", utf16, 2, "", ":1: the script is UTF-16 text: save it as UTF-8"},
        {"a NUL byte", replaced(replay, "3 R\n", std::string("3 R\0\n", 5)), 2, "", "NUL byte"},
        {"a broken verify line", replaced(withHash, "hash d98c62", "hash d98c6"), 2, "",
         ":2: a verify line reads '# verify: stage N, score S, tick T, hash H'"},
        {"eleven million ticks", "# kueruma-solve 3 x: score 1\n" + endless, 2, "",
         "holds 11000000 ticks; --verify plays at most 10000000"},
        {"no claim", "1 R\n", 1, "", ": its header claims no finished stage"},
        {"a stage out of range", "# kueruma-solve 12 x: score 1\n1 R\n", 2, "", ":1: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path path = writeScript("replay.txt", c.text);
        const Outcome r = run({"--verify", path.string()});
        ASSERT_FALSE(r.hung);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out + (c.status == 0 ? path.string() + ": verified\n" : ""));
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "");
        }
    }
    const Outcome zeros = run({"--verify", "-"}, "/dev/zero");
    EXPECT_EQ(zeros.status, 2);
    EXPECT_NE(zeros.err.find("<stdin>:1: "), std::string::npos);
}

// A session played in one program: its recording and each stage it kept verify on their own,
// the second stage starting where the first one's walk cycle stopped.
TEST_F(ReplayCliFuzz, RecordingsAndKeptRunsVerifyToTheirHeaders) {
    KeptRuns kept;
    const record::SessionOptions options = keeping("session.txt", kept);
    record::Session session;
    std::string error;
    ASSERT_TRUE(session.begin(options, error)) << error;
    headless::NullPaintTarget pixelless;
    headless::boot(&pixelless);
    session.started(headless::state());
    // From the title's NewGame, stage 1 twice (Replay on its result screen).
    std::string keys = "2 D\n1 X\n";
    for (int play = 0; play < 2; ++play) keys += replayText(0) + "1 -\n1 X\n";
    for (const script::Step& step : script::parse(keys, "keys").steps) {
        headless::holdKeys(step.keys);
        for (std::int32_t i = 0; i < step.count; ++i) {
            ASSERT_TRUE(headless::tick());
            session.keyAnswer(seam::keyX, 0);
            session.tickDone(headless::state());
        }
    }
    ASSERT_TRUE(session.finish(error)) << error;
    ASSERT_EQ(kept.size(), 2U);
    EXPECT_NE(kept[1].second.find("--walk-count "), std::string::npos) << kept[1].second;
    std::vector<fs::path> runs = {options.recordPath};
    for (const auto& [name, text] : kept) runs.push_back(writeScript(name, text));
    for (const fs::path& path : runs) {
        const Outcome r = run({"--verify", path.string()});
        EXPECT_EQ(r.status, 0) << path << ": " << r.err;
        EXPECT_NE(r.out.find(": verified\n"), std::string::npos) << r.out;
    }
    EXPECT_NE(slurp(runs[0]).find("# verify: stage 0, score "), std::string::npos);
}

// Practice: a stage played with rewinds (one past the stage's start), a slowed stretch and a
// held game stepped tick by tick keeps the timeline finally played, which verifies.
TEST_F(ReplayCliFuzz, APracticeRunKeepsTheTimelineFinallyPlayed) {
    KeptRuns kept;
    std::vector<std::string> notices;
    record::SessionOptions options = keeping("practice.txt", kept);
    options.practice = true;
    record::Session session;
    std::string error;
    ASSERT_TRUE(session.begin(options, error)) << error;
    driver::practice::enable(
        {[&](std::int64_t ticks, const game::PlayState& state) { session.cutAt(ticks, state); },
         [&](const std::string& message) { notices.push_back(message); }});
    headless::NullPaintTarget pixelless;
    headless::boot(&pixelless);
    session.started(headless::state());
    auto play = [&](loop::KeySet keys) {
        headless::holdKeys(keys);
        ASSERT_TRUE(headless::tick());
        session.keyAnswer(seam::keyX, 0);
        session.tickDone(headless::state());
    };
    auto rewind = [&](int ticks) {
        driver::practice::setRewinding(true);
        for (int i = 0; i < ticks; ++i) ASSERT_TRUE(headless::tick());
        driver::practice::setRewinding(false);
    };
    play(loop::KeyDown);
    play(loop::KeyDown);
    play(loop::KeyX);
    std::vector<loop::KeySet> stage;
    for (const script::Step& step : script::parse(replayText(0), "stage").steps) {
        stage.insert(stage.end(), static_cast<std::size_t>(step.count), step.keys);
    }
    // Tick by tick, with 24 rewinds of 1 to 12 ticks and a stretch at 25%.
    std::size_t at = 0;
    int rewinds = 0;
    bool pastTheStart = false;
    for (; at < stage.size(); ++at) {
        if (at == 5 && !pastTheStart) {
            pastTheStart = true;
            rewind(20);
            ASSERT_EQ(notices.size(), 1U) << "the rewind went past the stage's start";
            at = 0;
        }
        if (at == 100 && driver::practice::speedPercent() == 100) driver::practice::slower();
        if (at == 100) driver::practice::slower();
        if (at == 140) {
            EXPECT_EQ(headless::timerPeriodMs(), 200U) << "a play tick every 200 ms at 25%";
            driver::practice::faster();
            driver::practice::faster();
        }
        if (at == 160) {
            driver::practice::step();
            play(stage[at++]);
            ASSERT_TRUE(headless::tick()) << "held: no tick goes through";
            driver::practice::faster();
        }
        if (at > 20 && at % 13 == 0 && rewinds < 24) {
            const int back = 1 + rewinds % 12;
            rewind(back);
            at -= static_cast<std::size_t>(back);
            ++rewinds;
        }
        play(stage[at]);
    }
    EXPECT_EQ(rewinds, 24);
    EXPECT_EQ(driver::practice::rewinds(), 5 + 2 * (12 * 13 / 2)) << "ticks rewound";
    EXPECT_EQ(driver::practice::speedPercent(), 100);
    EXPECT_EQ(headless::state().gameState.screen, game::Result);
    EXPECT_EQ(headless::state().figure.score, 1819) << "the replay's own score";
    // Back from the result screen into the stage's last ticks, and to the result again: the
    // stage is finished once on the timeline, and kept twice.
    rewind(6); // the replay ends three ticks after its result screen came up
    EXPECT_EQ(headless::state().gameState.screen, game::Play);
    for (std::size_t i = stage.size() - 6; i < stage.size(); ++i) play(stage[i]);
    ASSERT_TRUE(session.finish(error)) << error;
    ASSERT_EQ(kept.size(), 2U);
    EXPECT_EQ(kept[1].second.substr(kept[1].second.find("\n# verify")),
              kept[0].second.substr(kept[0].second.find("\n# verify")));
    EXPECT_EQ(slurp(options.recordPath).find("# verify:"),
              slurp(options.recordPath).rfind("# verify:"));
    EXPECT_NE(kept[0].second.find("\n# practice: "), std::string::npos) << kept[0].second;
    EXPECT_NE(kept[0].second.find("# verify: stage 0, score 1819, tick 349,"), std::string::npos)
        << kept[0].second;
    for (const fs::path& path :
         {fs::path(options.recordPath), writeScript(kept[0].first, kept[0].second)}) {
        const Outcome r = run({"--verify", path.string()});
        EXPECT_EQ(r.status, 0) << path << ": " << r.err;
    }
}

} // namespace
} // namespace kueruma
