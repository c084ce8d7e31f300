// The recorded replays: every stage can be won, each replay still plays exactly as recorded,
// and drawing pixels or not makes no difference to the game.
#include "game/menu_layout.hpp"
#include "platform/headless/paint_targets.hpp"
#include "platform/raster/framebuffer.hpp"
#include "platform/raster/raster_canvas.hpp"
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
    platform::Canvas* beginPaint() override { return &canvas_.emplace(); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        if (canvas_) {
            for (const testing::CanvasCall& call : canvas_->texts()) out.push_back(call.text);
        }
        return out;
    }

  private:
    std::optional<testing::RecordingCanvas> canvas_;
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
        const headless::ScriptResult script = headless::loadScript((replayDir / name_).string());
        ASSERT_EQ(script.error, "");
        steps_ = script.steps;
    }
    solver::PlayedReplay play(headless::PaintTarget& target) const {
        return solver::playReplay(stage_, steps_, target);
    }

    std::string name_;
    int stage_ = -1;
    std::vector<headless::ScriptStep> steps_;
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

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = std::filesystem::path(info.param).stem().string();
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Stages, Replay, ::testing::ValuesIn(replayNames()), testName);

TEST(ReplayFiles, EveryStageHasAReplay) {
    const std::vector<std::string> names = replayNames();
    for (int stage = 0; stage < world::stageCount; ++stage) {
        const std::string name = "stage-" + std::to_string(stage) + ".txt";
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
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
