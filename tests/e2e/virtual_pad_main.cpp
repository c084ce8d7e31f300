// kueruma-e2e-pad: the desktop game with one virtual joystick plugged in at start-up (two
// axes, two buttons, one hat, all at rest), for measuring what an attached joystick costs.
#include "backends/sdl/sdl_backend.hpp"
#include "host/driver/driver.hpp"

#include <SDL.h>

#include <cstdio>
#include <string>

int main() {
    using namespace kueruma;
    std::string error;
    if (!sdl::initSdl(error)) {
        std::fprintf(stderr, "kueruma-e2e-pad: %s\n", error.c_str());
        return 1;
    }
    if (SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 2, 1) < 0) {
        std::fprintf(stderr, "kueruma-e2e-pad: no virtual joystick: %s\n", SDL_GetError());
        sdl::shutdown();
        return 1;
    }
    if (!driver::open({}, error)) {
        std::fprintf(stderr, "kueruma-e2e-pad: %s\n", error.c_str());
        sdl::shutdown();
        return 1;
    }
    const int exitCode = driver::run();
    sdl::shutdown();
    return exitCode;
}
