#include "backends/web/web_runs.hpp"

#include "backends/web/web_practice.hpp"

#include "cli/command_line.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/session.hpp"
#include "files/script/run_header.hpp"
#include "files/script/script.hpp"
#include "host/driver/ghost.hpp"
#include "host/driver/start.hpp"

#include <emscripten.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::web::runs {

namespace {

// clang-format off
EM_JS(void, keepRunInPage, (const char* name, const char* text, int kept), {
    kuerumaPage.keepRun(UTF8ToString(name), UTF8ToString(text), kept);
});
// clang-format on

// The run the page opened, waiting for the next game.
struct OpenedRun {
    bool waiting = false;
    script::RunStart start;
    std::vector<script::Step> steps;
};
OpenedRun opened;

// The run the page opened to race, waiting for the next game, which starts where it does; and a
// ghost the page has let go, gone at the next tick.
struct OpenedGhost {
    bool waiting = false;
    driver::ghost::Run run;
};
OpenedGhost race;
bool ghostDropped = false;

void keepRun(const std::string& name, const std::string& text) {
    keepRunInPage(name.c_str(), text.c_str(), record::keptRuns);
}

} // namespace

void beginSession() {
    record::SessionOptions options;
    options.runKeeper = keepRun;
    if (opened.waiting) {
        options.playSteps = std::move(opened.steps);
        options.start = opened.start;
        opened = OpenedRun{};
    }
    tickStarts();
    // Followed even without a ghost, for the timer.
    if (!driver::ghost::following()) driver::ghost::follow({});
    if (race.waiting) {
        options.start = race.run.start();
        // Its stage is where the game starts; other stages simply run without it.
        driver::ghost::followRun(std::move(race.run));
        race = OpenedGhost{};
    }
    practice::beginGame(options);
    std::string error; // a session without files to read or write cannot fail
    driver::beginSession(options, error);
}

// The page opens a run: it is checked whole and, when good, shown by the next game. Returns ""
// or what is wrong, as "NAME:LINE: ...", for the page to show; nothing runs then.
// `length` bytes of `text`, so a NUL byte in a file is reported rather than ending it.
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_openRun(const char* textBytes, int length,
                                                            const char* name) {
    static std::string error;
    const std::string_view text(textBytes, static_cast<std::size_t>(length));
    script::Script parsed = script::parse(text, name);
    script::RunStart start;
    error = parsed.error.empty() ? script::readRunStart(parsed, name, start) : parsed.error;
    if (error.empty() && parsed.steps.empty()) error = std::string(name) + ": holds no keys";
    if (!error.empty()) return error.c_str();
    opened = {true, start, std::move(parsed.steps)};
    race = OpenedGhost{}; // the run opened last is the one the next game takes
    return "";
}

// The page opens a run to race: when it is a run of one stage, the next game starts at that
// stage with the run as its ghost, and later games keep it. Returns "" or what is wrong.
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_openGhost(const char* textBytes, int length,
                                                              const char* name) {
    static std::string error;
    error.clear();
    driver::ghost::Run run;
    if (!run.read(std::string_view(textBytes, static_cast<std::size_t>(length)), name, error))
        return error.c_str();
    opened = OpenedRun{};
    race = {true, std::move(run)};
    ghostDropped = false;
    return "";
}

// The page lets its ghost go: from the next tick on, nothing runs beside the player.
extern "C" EMSCRIPTEN_KEEPALIVE void kueruma_dropGhost() {
    race = OpenedGhost{};
    ghostDropped = true;
}

void tickStarts() {
    if (!ghostDropped) return;
    ghostDropped = false;
    driver::ghost::letGo();
}

} // namespace kueruma::web::runs
