// kueruma: the game in a desktop window.
#include "backends/sdl/sdl_backend.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/session.hpp"
#include "host/driver/practice.hpp"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void saveRecordingAtExit() {
    std::string error;
    if (!kueruma::record::session().finish(error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
    }
}

int listBests() {
    const std::string folder = kueruma::record::defaultRunsFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "kueruma: neither XDG_DATA_HOME nor HOME is set: no runs are kept\n");
        return 1;
    }
    const std::string text = kueruma::record::bestsText(folder);
    std::fputs(text.c_str(), stdout);
    std::string error;
    if (kueruma::cli::closeStandardOutput(error)) return 0;
    std::fprintf(stderr, "kueruma: cannot write to standard output: %s\n", error.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace kueruma;
    static const std::string details =
        std::string("The game in a window. Arrow keys move, X jumps and confirms, Z kicks, F11\n"
                    "gives up the stage, Alt+Enter switches fullscreen; a joystick works too.\n") +
        record::desktopOptionsHelp + "KUERUMA_SCALE=N chooses the window's scale, from 1 to " +
        std::to_string(sdl::maxScale) + " (default: the largest that fits).\n" +
        "Every finished stage's run is kept in $XDG_DATA_HOME/kueruma/runs (the latest " +
        std::to_string(record::keptRuns) + "\nand each stage's best).\n";
    cli::CommandLine line = record::desktopCommandLine(details);
    if (!line.read(argc, argv)) return line.exitStatus();
    record::SessionOptions options;
    const std::string problem = record::readSessionOptions(line, options);
    if (!problem.empty()) return line.fail(problem);
    if (options.listBests) return listBests();
    options.runKeeper = record::folderKeeper(record::defaultRunsFolder());
    if (options.practice) {
        driver::practice::enable({[](std::int64_t ticks, const game::PlayState& state) {
                                      record::session().cutAt(ticks, state);
                                  },
                                  [](const std::string& message) {
                                      std::fprintf(stderr, "kueruma: %s\n", message.c_str());
                                  }});
    }
    std::string error;
    if (!record::session().begin(options, error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
        return 2;
    }
    if (!options.runKeeper) {
        std::fprintf(stderr, "kueruma: neither XDG_DATA_HOME nor HOME is set: finished stages "
                             "are not kept\n");
    }
    // A lost display ends the program from inside the X library: what was recorded is kept.
    std::atexit(saveRecordingAtExit);
    // The window title is Japanese: let X name it in the desktop's own character set.
    std::setlocale(LC_CTYPE, "");
    int exitCode = 1;
    if (sdl::initSdl(error) && sdl::openGame(error)) {
        exitCode = sdl::runMessageLoop();
    } else {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
    }
    sdl::shutdown();
    if (!record::session().finish(error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
        if (exitCode == 0) exitCode = 1;
    }
    return exitCode;
}
