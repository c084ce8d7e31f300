// kueruma: the game in a desktop window.
#include "platform/cli/command_line.hpp"
#include "platform/record/run_folder.hpp"
#include "platform/record/session.hpp"
#include "platform/sdl/sdl_backend.hpp"

#include <clocale>
#include <cstdio>
#include <string>

namespace {

constexpr const char* usage = "usage: kueruma [--record FILE] [--play FILE [--stage N]]\n";
constexpr const char* details =
    "The game in a window. Arrow keys move, X jumps and confirms, Z kicks, F11 gives up the\n"
    "stage, Alt+Enter switches fullscreen; a joystick works too.\n"
    "  --record FILE  write the keys of every tick as a replay script\n"
    "  --play FILE    show a replay script first, then play on (--stage N: it starts there)\n"
    "KUERUMA_SCALE=1, 2 or 3 chooses the window's scale (default: the largest that fits).\n";

// Empty when the options are good; otherwise what is wrong.
std::string readOptions(const kueruma::cli::CommandLine& line,
                        kueruma::record::SessionOptions& options) {
    if (!line.operands().empty()) {
        return "takes no arguments, not '" + kueruma::cli::printable(line.operands().front()) + "'";
    }
    if (const std::string* v = line.value("--record")) options.recordPath = *v;
    if (const std::string* v = line.value("--play")) options.playPath = *v;
    if (const std::string* v = line.value("--stage")) {
        long long n = 0;
        if (!kueruma::cli::parseWholeNumber(*v, 8, n))
            return "--stage takes a stage index from 0 to 8";
        options.stage = static_cast<int>(n);
        if (options.playPath.empty()) return "--stage goes with --play";
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    using namespace kueruma;
    cli::CommandLine line("kueruma", usage, details,
                          {{"--record", true}, {"--play", true}, {"--stage", true}});
    if (!line.read(argc, argv)) return line.exitStatus();
    record::SessionOptions options;
    const std::string problem = readOptions(line, options);
    if (!problem.empty()) return line.fail(problem);
    options.runsFolder = record::defaultRunsFolder();
    std::string error;
    if (!record::session().begin(options, error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
        return 2;
    }
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
