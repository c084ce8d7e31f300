// kueruma: the game in a desktop window.
#include "backends/sdl/sdl_backend.hpp"
#include "host/driver/driver.hpp"

int main(int argc, char** argv) {
    using namespace kueruma;
    return driver::runGame(argc, argv, sdl::front());
}
