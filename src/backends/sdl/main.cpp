// kueruma: the game in a desktop window.
#include "backends/sdl/sdl_backend.hpp"
#include "host/driver/driver.hpp"

#include <csignal>

int main(int argc, char** argv) {
    using namespace kueruma;
    // A closed terminal or log pipe loses the warnings, never the game or its recording.
    std::signal(SIGPIPE, SIG_IGN);
    return driver::runGame(argc, argv, sdl::front());
}
