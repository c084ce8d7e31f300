#include "support/game_driver.hpp"

namespace kueruma::support {

namespace {
headless::NullPaintTarget target;
}

void bootGame(int stage) {
    headless::boot(&target, stage);
}

std::vector<headless::TickReport> run(int count, loop::KeySet keys) {
    std::vector<headless::TickReport> reports;
    headless::holdKeys(keys);
    for (int i = 0; i < count; ++i) {
        headless::tick();
        reports.push_back(headless::lastReport());
    }
    return reports;
}

void startStageAndSkipIntro(int stage) {
    bootGame(stage);
    run(1);
}

std::vector<std::string> soundsOf(const headless::TickReport& report) {
    return {report.sounds, report.sounds + report.soundCount};
}

} // namespace kueruma::support
