// kueruma: the game in a desktop window.
#include "platform/sdl/sdl_backend.hpp"

#include <clocale>
#include <cstdio>
#include <string>

int main() {
    using namespace kueruma;
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
