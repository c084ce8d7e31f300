// kueruma: the game in a desktop window.
#include "platform/cli/command_line.hpp"
#include "platform/sdl/sdl_backend.hpp"

#include <clocale>
#include <cstdio>
#include <string>

namespace {

constexpr const char* usage = "usage: kueruma\n";
constexpr const char* details =
    "The game in a window. Arrow keys move, X jumps and confirms, Z kicks, F11 gives up the\n"
    "stage, Alt+Enter switches fullscreen; a joystick works too.\n"
    "KUERUMA_SCALE=1, 2 or 3 chooses the window's scale (default: the largest that fits).\n";

} // namespace

int main(int argc, char** argv) {
    using namespace kueruma;
    cli::CommandLine line("kueruma", usage, details, {});
    if (!line.read(argc, argv)) return line.exitStatus();
    if (!line.operands().empty()) {
        return line.fail("takes no arguments, not '" + cli::printable(line.operands().front()) +
                         "'");
    }
    // The window title is Japanese: let X name it in the desktop's own character set.
    std::setlocale(LC_CTYPE, "");
    std::string error;
    if (!sdl::initSdl(error) || !sdl::openGame(error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
        sdl::shutdown();
        return 1;
    }
    const int exitCode = sdl::runMessageLoop();
    sdl::shutdown();
    return exitCode;
}
