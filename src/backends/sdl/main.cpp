// kueruma: the game in a desktop window.
#include "backends/sdl/sdl_backend.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/session.hpp"

#include <clocale>
#include <csignal>
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

} // namespace

int main(int argc, char** argv) {
    using namespace kueruma;
    // A closed terminal or log pipe loses the warnings, never the game or its recording.
    std::signal(SIGPIPE, SIG_IGN);
    static const std::string details =
        std::string("The game in a window. Arrow keys move, X jumps and confirms, Z kicks, F11\n"
                    "gives up the stage, Alt+Enter switches fullscreen; a joystick works too.\n") +
        record::sessionOptionsHelp + "KUERUMA_SCALE=N chooses the window's scale, from 1 to " +
        std::to_string(sdl::maxScale) + " (default: the largest that fits).\n" +
        "Every finished stage's run is kept in $XDG_DATA_HOME/kueruma/runs (the latest " +
        std::to_string(record::keptRuns) + ").\n";
    cli::CommandLine line = record::sessionCommandLine(details);
    if (!line.read(argc, argv)) return line.exitStatus();
    record::SessionOptions options;
    const std::string problem = record::readSessionOptions(line, options);
    if (!problem.empty()) return line.fail(problem);
    options.runKeeper = record::folderKeeper(record::defaultRunsFolder());
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
