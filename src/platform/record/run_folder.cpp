#include "platform/record/run_folder.hpp"

#include "platform/record/recording.hpp"

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

void pruneOldRuns(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (isRunName(name) && entry.is_regular_file(ec)) names.push_back(name);
    }
    if (names.size() <= static_cast<std::size_t>(keptRuns)) return;
    // The names start with the date and time, so their order is the order they were played.
    std::sort(names.begin(), names.end());
    const std::size_t excess = names.size() - static_cast<std::size_t>(keptRuns);
    for (std::size_t i = 0; i < excess; ++i) fs::remove(folder / names[i], ec);
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
    // Two runs with the same name (two games at once) both stay.
    fs::path path = fs::path(folder) / name;
    for (int n = 2; fs::exists(path, ec); ++n) {
        const std::string stem = name.substr(0, name.size() - 4);
        path = fs::path(folder) / (stem + "-" + std::to_string(n) + ".txt");
    }
    if (!writeWhole(path.string(), text, error)) return false;
    pruneOldRuns(folder);
    return true;
}

} // namespace kueruma::record

namespace kueruma::record {

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
