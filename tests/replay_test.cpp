// The recorded replays: every stage can be won, each replay still plays exactly as recorded,
// and drawing pixels or not makes no difference to the game.
#include "backends/headless/paint_targets.hpp"
#include "command.hpp"
#include "game/menu_layout.hpp"
#include "host/driver/ghost.hpp"
#include "host/driver/practice.hpp"
#include "raster/framebuffer.hpp"
#include "raster/raster_canvas.hpp"
#include "render/text.hpp"
#include "replay_check.hpp"
#include "support/recording_canvas.hpp"
#include "world/stages.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kueruma {
namespace {

const std::filesystem::path replayDir = KUERUMA_REPLAY_DIR;
constexpr int resultScreen = 4;

// Keeps the calls of the latest paint only.
class LastPaintTarget final : public headless::PaintTarget {
  public:
    seam::Canvas* beginPaint() override { return &canvas_.emplace(); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        if (canvas_) {
            for (const support::CanvasCall& call : canvas_->texts()) out.push_back(call.text);
        }
        return out;
    }

  private:
    std::optional<support::RecordingCanvas> canvas_;
};

std::vector<std::string> replayNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(replayDir)) {
        const std::string name = entry.path().filename().string();
        if (solver::stageOfReplay(name) >= 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The line of expected.txt that starts with the replay's name.
std::string expectedSummary(const std::string& name) {
    std::istringstream lines(readFile(replayDir / "expected.txt"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + " ", 0) == 0) return line;
    }
    return "(no line for " + name + " in expected.txt)";
}

class Replay : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        name_ = GetParam();
        stage_ = solver::stageOfReplay(name_);
        const script::Script script = script::load((replayDir / name_).string());
        ASSERT_EQ(script.error, "");
        steps_ = script.steps;
    }
    solver::PlayedReplay play(headless::PaintTarget& target) const {
        return solver::playReplay(stage_, steps_, target);
    }

    std::string name_;
    int stage_ = -1;
    std::vector<script::Step> steps_;
};

TEST_P(Replay, WinsItsStageOnTheResultScreen) {
    LastPaintTarget target;
    const solver::PlayedReplay played = play(target);
    ASSERT_EQ(played.screen, resultScreen) << "the replay ends before the Result screen";
    EXPECT_GE(played.score, world::stageData(stage_).clearPoint);
    const std::vector<std::string> texts = target.texts();
    const std::string pass(game::passMessage(stage_));
    EXPECT_NE(std::find(texts.begin(), texts.end(), pass), texts.end())
        << "the Result screen does not show the pass message";
}

TEST_P(Replay, PlaysExactlyAsRecorded) {
    headless::NullPaintTarget target;
    const solver::PlayedReplay played = play(target);
    const std::string want = expectedSummary(name_);
    const std::string have = solver::summaryLine(name_, played);
    if (want == have) return;
    const std::filesystem::path fieldsPath =
        replayDir / (std::filesystem::path(name_).stem().string() + ".fields");
    const auto divergence = solver::firstDivergence(readFile(fieldsPath), played);
    std::string where = "the per-tick digests all agree";
    if (divergence) {
        where = "first differs on tick " + std::to_string(divergence->tick) + " in:";
        for (const std::string& field : divergence->fields) where += " " + field;
    }
    ADD_FAILURE() << "expected: " << want << "\n     got: " << have << "\n"
                  << where << "\n(after an intended change: make replays-record)";
}

TEST_P(Replay, DrawingPixelsChangesNothing) {
    headless::NullPaintTarget blank;
    const solver::PlayedReplay withoutPixels = play(blank);
    headless::RasterPaintTarget raster;
    const solver::PlayedReplay withPixels = play(raster);
    ASSERT_EQ(withPixels.trace.size(), withoutPixels.trace.size());
    for (std::size_t t = 0; t < withPixels.trace.size(); ++t) {
        if (withPixels.trace[t] == withoutPixels.trace[t]) continue;
        const auto a = solver::traceFields(withoutPixels.trace[t]);
        const auto b = solver::traceFields(withPixels.trace[t]);
        std::string fields;
        for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
            if (a[k] != b[k]) fields += " " + a[k].first;
        }
        FAIL() << "tick " << t + 1 << " differs in:" << fields;
    }
}

// Its Play paints, and those where the ghost stood elsewhere or scored otherwise.
class GhostWatch final : public headless::PaintTarget {
  public:
    seam::Canvas* beginPaint() override { return &canvas_.emplace(); }
    void endPaint() override {
        if (headless::state().gameState.screen != game::Play) return;
        ++paints;
        const figure::Figure& player = headless::state().figure;
        const figure::Figure* ghost = driver::ghost::figure();
        apart += ghost == nullptr || ghost->score != player.score ||
                 ghost->jointX != player.jointX || ghost->jointY != player.jointY;
    }
    int paints = 0;
    int apart = 0;

  private:
    std::optional<support::RecordingCanvas> canvas_;
};

// A run with itself as its ghost: the ghost keeps step with it on every paint of the stage, and
// the player's trace is the run's alone.
TEST_P(Replay, PlayedBesideItselfAsAGhostItsTraceIsItsOwn) {
    headless::NullPaintTarget blank;
    const solver::PlayedReplay alone = play(blank);
    driver::ghost::followRun((replayDir / name_).string());
    GhostWatch watch;
    const solver::PlayedReplay beside = play(watch);
    driver::ghost::stop();
    EXPECT_GT(watch.paints, 50);
    EXPECT_EQ(watch.apart, 0);
    EXPECT_EQ(beside.trace, alone.trace);
}

// Keys a person can follow: after the first tick of play, each choice is held at least 3
// ticks until the stage ends (the last may be cut short by the end itself). The best run of
// the last stage needs every tick, so it is held to nothing.
TEST_P(Replay, HoldsEveryChoiceOfKeysAtLeastThreeTicks) {
    if (stage_ == world::stageCount - 1) GTEST_SKIP() << "the last stage's run is per tick";
    constexpr std::size_t shortestHold = 3;
    headless::NullPaintTarget target;
    const solver::PlayedReplay played = play(target);
    const auto running = [](const std::string& line) {
        for (const auto& [name, value] : solver::traceFields(line)) {
            if (name == "running") return value == "true";
        }
        return false;
    };
    std::size_t end = 0; // the trace line of the tick that ended the stage
    while (end < played.trace.size() && running(played.trace[end])) ++end;
    ASSERT_LT(end, played.trace.size()) << "the stage never ends";
    std::vector<loop::KeySet> keys;
    for (const script::Step& step : steps_) {
        keys.insert(keys.end(), static_cast<std::size_t>(step.count), step.keys);
    }
    std::size_t lastChange = 1; // the first tick after the stage-intro tick
    for (std::size_t t = 2; t <= end; ++t) {
        if (keys[t] == keys[t - 1]) continue;
        EXPECT_GE(t - lastChange, shortestHold) << "keys change on tick " << t + 1;
        lastChange = t;
    }
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = std::filesystem::path(info.param).stem().string();
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Stages, Replay, ::testing::ValuesIn(replayNames()), testName);

// The file this game records to is never read back as a ghost while it is written; a ghost
// taken back (a rewind) stands where it stood then.
TEST(ReplayFiles, NoneIsTheGhostOfTheRecordingItIsAndARewoundGhostStandsWhereItStood) {
    const std::string run = (replayDir / "stage-3.txt").string();
    driver::ghost::Run ghost;
    std::string error;
    EXPECT_FALSE(ghost.load(run, (replayDir / "." / "stage-3.txt").string(), error));
    EXPECT_EQ(error, run + ": is the recording this game writes, not a ghost");
    ASSERT_TRUE(ghost.load(run, "", error)) << error;
    ghost.seek(150);
    const figure::Figure straight = ghost.state().figure;
    for (std::int64_t back : {149, 70, 3, 0, 64, 150}) ghost.seek(back);
    EXPECT_EQ(ghost.ticks(), 150);
    EXPECT_EQ(ghost.state().figure.jointX, straight.jointX);
    EXPECT_EQ(ghost.state().figure.score, straight.score);
}

// Practice rewinds the ghost with the player: the stage's replay beside itself, rewound three
// times, keeps step on every paint, the rewinds' too.
TEST(ReplayFiles, ARewoundStageKeepsItsGhostInStep) {
    const std::string run = (replayDir / "stage-3.txt").string();
    std::vector<loop::KeySet> keys;
    for (const script::Step& step : script::load(run).steps)
        keys.insert(keys.end(), step.count, step.keys);
    driver::ghost::followRun(run);
    driver::practice::enable({});
    GhostWatch watch;
    headless::boot(&watch, 3);
    std::size_t t = 0; // ticks on the timeline played
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 40; ++i) {
            headless::holdKeys(keys[t++]);
            headless::tick();
        }
        driver::practice::setRewinding(true);
        for (int i = 0; i < 25; ++i, --t) headless::tick();
        driver::practice::setRewinding(false);
    }
    driver::practice::disable();
    driver::ghost::stop();
    EXPECT_GT(watch.paints, 150);
    EXPECT_EQ(watch.apart, 0);
}

// The page's ghost: a run read from its text, as the page has no files, keeps step as the file
// does; let go halfway, nothing is drawn or compared, and the stage's ticks go on counting for
// the timer. A text that is no run of one stage is refused, named.
TEST(ReplayFiles, AGhostReadFromItsTextKeepsStepAndLetGoTheTimerGoesOn) {
    driver::ghost::Run read;
    std::string error;
    EXPECT_FALSE(read.read("3 R\n", "the linked run", error));
    EXPECT_EQ(error, "the linked run: not a run of one stage (its header names no "
                     "'kueruma-replay --stage N')");
    EXPECT_FALSE(read.read("# replay: kueruma-replay --stage 3 x\n", "empty", error));
    EXPECT_EQ(error, "empty: holds no keys");
    const std::string text = readFile(replayDir / "stage-3.txt");
    ASSERT_TRUE(read.read(text, "the linked run", error)) << error;
    EXPECT_EQ(read.stage(), 3);
    driver::ghost::followRun(std::move(read));
    GhostWatch watch;
    headless::boot(&watch, 3);
    std::vector<loop::KeySet> keys;
    for (const script::Step& step : script::parse(text, "stage-3.txt").steps)
        keys.insert(keys.end(), step.count, step.keys);
    for (std::size_t t = 0; t < 60; ++t) {
        headless::holdKeys(keys[t]);
        headless::tick();
    }
    EXPECT_EQ(watch.apart, 0);
    driver::ghost::letGo();
    for (std::size_t t = 60; t < 70; ++t) {
        headless::holdKeys(keys[t]);
        headless::tick();
    }
    const auto standing = driver::ghost::standing(headless::state());
    driver::ghost::stop();
    ASSERT_TRUE(standing.has_value());
    EXPECT_FALSE(standing->againstGhost);
    EXPECT_EQ(standing->ticks, 70); // every tick since the intro, the 10 after too
    EXPECT_EQ(watch.apart, 10);
}

TEST(ReplayFiles, EveryStageHasAReplay) {
    const std::vector<std::string> names = replayNames();
    for (int stage = 0; stage < world::stageCount; ++stage) {
        const std::string name = "stage-" + std::to_string(stage) + ".txt";
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
}

// The replays are remade from the commands their headers name; the cheapest of them, searched
// again here on one thread (they were recorded on two), must come out byte for byte.
TEST(ReplayFiles, TheCheapestRecordedSearchFindsItsScriptAgain) {
    // The commands name their files from the top of the repository, where make runs them.
    std::filesystem::current_path(replayDir.parent_path());
    std::string cheapest;
    solver::SolveCommand command;
    for (const std::string& name : replayNames()) {
        std::istringstream text(readFile(replayDir / name));
        std::string header;
        std::getline(text, header);
        solver::SolveCommand c;
        const auto args = solver::headerArguments(header);
        ASSERT_FALSE(args.empty()) << name << " names no kueruma-solve command: " << header;
        ASSERT_EQ(solver::parseArguments(args, c), "") << name;
        EXPECT_EQ(c.search.stage, solver::stageOfReplay(name)) << name;
        if (cheapest.empty() || c.search.budget < command.search.budget) {
            cheapest = name;
            command = c;
        }
    }
    ASSERT_FALSE(cheapest.empty());
    command.search.threads = 1;
    const solver::SearchResult result = solver::solveStage(command.search);
    EXPECT_EQ(solver::scriptText(command.search, result), readFile(replayDir / cheapest))
        << cheapest << " (" << solver::commandLine(command.search) << ")";
}

// The opening's ticks are work like any other, and an opening that outlasts the stage leaves
// nothing to search: the run is the opening, found at once, whatever budget and time are left.
TEST(ReplayFiles, AnOpeningThatOutlastsTheStageEndsTheSearchAtOnce) {
    solver::SearchOptions o;
    o.stage = 0;
    o.threads = 1;
    o.budget = 1'000'000'000'000;
    o.seconds = 600;
    o.opening.assign(962, 0);
    const solver::SearchResult result = solver::solveStage(o);
    EXPECT_EQ(result.beamsTried, 1);
    EXPECT_EQ(result.ticksSimulated, 962);
    EXPECT_FALSE(result.cutShort);
    EXPECT_TRUE(result.best.reachedResult);
    EXPECT_GE(result.best.keys.size(), o.opening.size());
}

TEST(ReplayDigests, NameTheFirstTickAndTheFieldsThatDiffer) {
    solver::PlayedReplay recorded;
    recorded.trace = {R"({"tick":1,"posX":400,"joints":[[1,2],[3,4]],"sounds":["a,b"]})",
                      R"({"tick":2,"posX":412,"joints":[[1,2],[3,5]],"sounds":[]})"};
    solver::PlayedReplay changed = recorded;
    changed.trace[1] = R"({"tick":2,"posX":413,"joints":[[1,2],[3,5]],"sounds":[]})";
    const std::string digests = solver::fieldDigests(recorded);
    EXPECT_FALSE(solver::firstDivergence(digests, recorded).has_value());
    const auto d = solver::firstDivergence(digests, changed);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->tick, 2);
    EXPECT_EQ(d->fields, std::vector<std::string>{"posX"});
    // A replay that stops early is named at the first tick it no longer plays.
    changed.trace.pop_back();
    const auto shorter = solver::firstDivergence(digests, changed);
    ASSERT_TRUE(shorter.has_value());
    EXPECT_EQ(shorter->tick, 2);
}

TEST(ReplayDigests, TraceFieldsSplitOnlyAtTheTopLevel) {
    const auto fields = solver::traceFields(R"({"a":[[1,2],[3]],"b":"x,y","c":true})");
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].second, "[[1,2],[3]]");
    EXPECT_EQ(fields[1].second, "\"x,y\"");
    EXPECT_EQ(fields[2].first, "c");
}

TEST(ReplayDigests, OnlyStageScriptNamesAreReplays) {
    EXPECT_EQ(solver::stageOfReplay("stage-3.txt"), 3);
    EXPECT_EQ(solver::stageOfReplay("stage-9.txt"), -1);
    EXPECT_EQ(solver::stageOfReplay("stage-3.fields"), -1);
    EXPECT_EQ(solver::stageOfReplay("expected.txt"), -1);
}

} // namespace
} // namespace kueruma
