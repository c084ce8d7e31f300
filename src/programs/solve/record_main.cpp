// kueruma-record-replays DIR: plays every DIR/stage-N.txt and writes what the replay test
// expects of them: DIR/expected.txt (one summary line each) and DIR/stage-N.fields (per-tick
// field digests). Run it after a change that is meant to alter the replays.
#include "backends/headless/headless.hpp"
#include "replay_check.hpp"
#include "world/stages.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

using namespace kueruma;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kueruma-record-replays DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::vector<std::filesystem::path> scripts;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (solver::stageOfReplay(entry.path().filename().string()) >= 0) {
            scripts.push_back(entry.path());
        }
    }
    std::sort(scripts.begin(), scripts.end());
    std::ofstream expected(dir / "expected.txt");
    expected << "# Written by kueruma-record-replays (make replays-record); checked by "
                "replay_test.\n";
    int status = 0;
    for (const auto& path : scripts) {
        const std::string name = path.filename().string();
        const int stage = solver::stageOfReplay(name);
        const script::Script script = script::load(path.string());
        if (!script.error.empty()) {
            std::cerr << script.error << "\n";
            return 2;
        }
        headless::NullPaintTarget target;
        const solver::PlayedReplay played = solver::playReplay(stage, script.steps, target);
        const std::string summary = solver::summaryLine(name, played);
        expected << summary << "\n";
        std::ofstream fields(path.parent_path() / (path.stem().string() + ".fields"));
        fields << solver::fieldDigests(played);
        const bool won = played.screen == 4 && played.score >= world::stageData(stage).clearPoint;
        std::cout << summary << (won ? "" : "  (target not reached)") << "\n";
        if (!expected || !fields) status = 1;
    }
    return status;
}
