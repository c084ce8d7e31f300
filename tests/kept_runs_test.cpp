// The runs the game keeps of each stage: the oldest go first, never the one just written, and
// each stage's best stays pinned until a better run replaces it.
#include "files/record/run_folder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace kueruma {
namespace {

// Kept runs go oldest first by when they were written, not by their names: with the latest 100
// all named for a later day (a clock once wrong), a new run stays and the oldest written goes.
TEST(KeptRuns, TheRunsWrittenLongestAgoGoNeverTheNewOne) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kueruma-runs-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const auto now = fs::file_time_type::clock::now();
    for (int i = 0; i < record::keptRuns; ++i) {
        const fs::path run = dir / ("20991231-0000" + std::to_string(10 + i % 50) + "-stage-" +
                                    std::to_string(i / 50) + "-score-1.txt");
        std::ofstream(run) << "1 -\n";
        fs::last_write_time(run, now - std::chrono::hours(1000 - i));
    }
    std::ofstream(dir / "notes.txt") << "not a run";
    std::string error;
    const std::string name = record::runFileName(0, 3, 700);
    ASSERT_TRUE(record::keepRun(dir.string(), name, "2 R\n", error)) << error;
    ASSERT_TRUE(record::keepRun(dir.string(), name, "3 R\n", error)) << error;
    EXPECT_TRUE(fs::exists(dir / name));
    EXPECT_TRUE(fs::exists(dir / (name.substr(0, name.size() - 4) + "-2.txt")));
    EXPECT_FALSE(fs::exists(dir / "20991231-000010-stage-0-score-1.txt")) << "written first";
    EXPECT_FALSE(fs::exists(dir / "20991231-000011-stage-0-score-1.txt"));
    EXPECT_TRUE(fs::exists(dir / "20991231-000012-stage-0-score-1.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), record::keptRuns + 1);
    fs::remove_all(dir);
}

// Each stage's best kept run stays through any number of later runs, until a better one takes
// its place; then the old best ages out like any other.
TEST(KeptRuns, EachStagesBestIsPinnedUntilABetterRunReplacesIt) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kueruma-bests-" + std::to_string(getpid()));
    fs::remove_all(dir);
    std::string error;
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (int stage = 0; stage < 9; ++stage) {
        const std::string name = record::runFileName(0, stage, 5000 + stage);
        ASSERT_TRUE(record::keepRun(dir.string(), name, "1 -\n", error)) << error;
        fs::last_write_time(dir / name, past);
    }
    for (int i = 0; i < 150; ++i) {
        const std::string name = record::runFileName(1000 + i, i % 9, i);
        ASSERT_TRUE(record::keepRun(dir.string(), name, "1 -\n", error)) << error;
    }
    std::vector<record::BestRun> bests = record::pinnedBests(dir.string());
    ASSERT_EQ(bests.size(), 9U);
    for (int stage = 0; stage < 9; ++stage) {
        EXPECT_EQ(bests[stage].stage, stage);
        EXPECT_EQ(bests[stage].score, 5000 + stage);
        EXPECT_TRUE(fs::exists(bests[stage].file));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), record::keptRuns + 9);
    const std::string better = record::runFileName(5000, 4, 6000);
    ASSERT_TRUE(record::keepRun(dir.string(), better, "1 -\n", error)) << error;
    bests = record::pinnedBests(dir.string());
    EXPECT_EQ(bests[4].score, 6000);
    EXPECT_EQ(fs::path(bests[4].file).filename(), better);
    EXPECT_FALSE(fs::exists(dir / record::runFileName(0, 4, 5004))) << "the old best aged out";
    EXPECT_EQ(record::bestsText(dir.string()).substr(0, 23), "stage 0: score 5000, pl");
    EXPECT_NE(record::bestsText(dir.string()).find(better + "\n"), std::string::npos);
    fs::remove_all(dir);
    EXPECT_EQ(record::bestsText(dir.string()), "no stage has a kept run in " + dir.string() + "\n");
}

} // namespace
} // namespace kueruma
