#include "files/record/run_folder.hpp"

#include "files/safe_write/safe_write.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <vector>

namespace kueruma::record {

namespace fs = std::filesystem;

namespace {

// Only files this program named are ever pruned, whatever else the folder holds. The name
// says the run's stage, score and when it was played.
const std::regex& runNamePattern() {
    static const std::regex pattern(
        R"((\d{4})(\d\d)(\d\d)-(\d\d)(\d\d)(\d\d)-stage-(\d+)-score-(-?\d+)(-\d+)?\.txt)");
    return pattern;
}

struct Run {
    fs::file_time_type written;
    fs::path path;
    int stage = 0;
    int score = 0;
    bool scored = false; // the name's stage and score are numbers an int holds
    std::string date;    // "YYYY-MM-DD HH:MM:SS"
};

bool readInt(const std::ssub_match& digits, int& value) {
    const std::string text = digits.str();
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

// The runs in `folder` this program named, oldest written first (by when they were written,
// whatever their names say: a clock once wrong, or local time after travelling west, names a
// run for another day).
std::vector<Run> runsIn(const fs::path& folder) {
    std::vector<Run> runs;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        std::smatch n;
        if (!std::regex_match(name, n, runNamePattern()) || !entry.is_regular_file(ec)) continue;
        Run run;
        run.written = entry.last_write_time(ec);
        if (ec) continue;
        run.path = entry.path();
        run.scored = readInt(n[7], run.stage) && readInt(n[8], run.score);
        run.date = n[1].str() + "-" + n[2].str() + "-" + n[3].str() + " " + n[4].str() + ":" +
                   n[5].str() + ":" + n[6].str();
        runs.push_back(std::move(run));
    }
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.written != b.written ? a.written < b.written : a.path < b.path;
    });
    return runs;
}

// For each stage the index in `runs` of its best; oldest first, so of equal scores the latest.
std::map<int, std::size_t> bestOfEachStage(const std::vector<Run>& runs) {
    std::map<int, std::size_t> best;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (!runs[i].scored) continue;
        const auto found = best.find(runs[i].stage);
        if (found == best.end() || runs[i].score >= runs[found->second].score) {
            best[runs[i].stage] = i;
        }
    }
    return best;
}

// Beyond the latest keptRuns (the run just kept among them), the runs written longest ago go,
// but never a stage's best: a better run takes over its stage's pin, and the old best then
// ages out as any other run does.
void pruneOldRuns(const fs::path& folder, const fs::path& kept) {
    const std::vector<Run> runs = runsIn(folder);
    if (runs.size() <= static_cast<std::size_t>(keptRuns)) return;
    std::vector<bool> stays(runs.size(), false);
    for (const auto& [stage, index] : bestOfEachStage(runs)) stays[index] = true;
    std::error_code ec;
    const std::size_t excess = runs.size() - static_cast<std::size_t>(keptRuns);
    for (std::size_t i = 0, removed = 0; i < runs.size() && removed < excess; ++i) {
        if (runs[i].path == kept) continue;
        ++removed;
        if (!stays[i]) fs::remove(runs[i].path, ec);
    }
}

} // namespace

std::string defaultRunsFolder() {
    // A relative XDG_DATA_HOME is invalid by the XDG rules and is ignored.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::string(data) + "/kueruma/runs";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/share/kueruma/runs";
    return {};
}

std::string runFileName(std::time_t when, int stage, int score) {
    char date[32] = "00000000-000000";
    if (const std::tm* local = std::localtime(&when)) {
        std::strftime(date, sizeof date, "%Y%m%d-%H%M%S", local);
    }
    return std::string(date) + "-stage-" + std::to_string(stage) + "-score-" +
           std::to_string(score) + ".txt";
}

bool keepRun(const std::string& folder, const std::string& name, const std::string& text,
             std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = "cannot make the runs folder " + folder + ": " + ec.message();
        return false;
    }
    // Two runs with the same name (two games at once) both stay: a run never replaces a file.
    const std::string stem = name.substr(0, name.size() - 4);
    for (int n = 1; n < 1000; ++n) {
        const fs::path path =
            fs::path(folder) / (n == 1 ? name : stem + "-" + std::to_string(n) + ".txt");
        if (fs::exists(path, ec)) continue;
        if (safe_write::writeWhole(path.string(), text, error, safe_write::Existing::keep)) {
            pruneOldRuns(folder, path);
            return true;
        }
        if (!fs::exists(path, ec)) return false;
    }
    error = "cannot keep " + name + ": too many runs of that name in " + folder;
    return false;
}

std::vector<BestRun> pinnedBests(const std::string& folder) {
    const std::vector<Run> runs = runsIn(folder);
    std::vector<BestRun> bests;
    for (const auto& [stage, index] : bestOfEachStage(runs)) {
        bests.push_back({stage, runs[index].score, runs[index].date, runs[index].path.string()});
    }
    return bests;
}

std::string bestsText(const std::string& folder) {
    const std::vector<BestRun> bests = pinnedBests(folder);
    if (bests.empty()) return "no stage has a kept run in " + folder + "\n";
    std::string text;
    for (const BestRun& best : bests) {
        text += "stage " + std::to_string(best.stage) + ": score " + std::to_string(best.score) +
                ", played " + best.date + ", " + best.file + "\n";
    }
    return text;
}

RunKeeper folderKeeper(const std::string& folder) {
    if (folder.empty()) return {};
    return [folder, warned = false](const std::string& name, const std::string& text) mutable {
        std::string error;
        if (!keepRun(folder, name, text, error) && !warned) {
            std::fprintf(stderr, "kueruma: finished stages are not kept: %s\n", error.c_str());
            warned = true;
        }
    };
}

} // namespace kueruma::record
