// The folder where the desktop game keeps every finished stage's run.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace kueruma::record {

inline constexpr int keptRuns = 100;

// $XDG_DATA_HOME/kueruma/runs, or ~/.local/share/kueruma/runs; empty when neither is known.
std::string defaultRunsFolder();

// The file name of a run: "YYYYMMDD-HHMMSS-stage-N-score-S.txt" in local time.
std::string runFileName(std::time_t when, int stage, int score);

// Writes `text` as a new run in `folder` (made when missing; a run of the same name is never
// replaced) and removes the runs written longest ago beyond the latest `keptRuns`, never the
// new one and never a stage's best (pinnedBests). False with `error` naming the folder or file
// and the reason.
bool keepRun(const std::string& folder, const std::string& name, const std::string& text,
             std::string& error);

// A stage's best kept run: the highest score its file names carry, of equal ones the one
// written last.
struct BestRun {
    int stage;
    int score;
    std::string date; // "YYYY-MM-DD HH:MM:SS" from the name: the player's clock then
    std::string file; // the path
};
// The best of each stage that has a run in `folder`, by stage.
std::vector<BestRun> pinnedBests(const std::string& folder);
// What `kueruma --bests` prints: a line for each stage's best, or that there is none.
std::string bestsText(const std::string& folder);

// Where a game's finished stages go: it is given each run's file name and text.
using RunKeeper = std::function<void(const std::string& name, const std::string& text)>;
// Keeps runs in `folder` with keepRun, saying once on standard error when it cannot; none for
// an empty folder.
RunKeeper folderKeeper(const std::string& folder);

} // namespace kueruma::record
