#include "files/record/run_folder.hpp"

#include "files/safe_write/safe_write.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <vector>

namespace kueruma::record {

namespace fs = std::filesystem;

namespace {

// Only files this program named are ever pruned, whatever else the folder holds.
bool isRunName(const std::string& name) {
    static const std::regex pattern(R"(\d{8}-\d{6}-stage-\d+-score--?\d+(-\d+)?\.txt)");
    return std::regex_match(name, pattern);
}

// Runs go oldest first by when they were written, whatever their names say (a clock once
// wrong, or local time after travelling west, names a run for another day), and the run just
// kept is never one of them.
void pruneOldRuns(const fs::path& folder, const fs::path& kept) {
    struct Run {
        fs::file_time_type written;
        fs::path path;
    };
    std::vector<Run> runs;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!isRunName(name) || !entry.is_regular_file(ec) || entry.path() == kept) continue;
        const fs::file_time_type written = entry.last_write_time(ec);
        if (!ec) runs.push_back({written, entry.path()});
    }
    // The run just kept counts towards the latest keptRuns.
    if (runs.size() < static_cast<std::size_t>(keptRuns)) return;
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.written != b.written ? a.written < b.written : a.path < b.path;
    });
    const std::size_t excess = runs.size() + 1 - static_cast<std::size_t>(keptRuns);
    for (std::size_t i = 0; i < excess; ++i) fs::remove(runs[i].path, ec);
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
