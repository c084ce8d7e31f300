// kueruma in the browser: one game after another, each started from the page's "play again".
#include "platform/web/web_backend.hpp"
#include "platform/web/web_input.hpp"
#include "platform/web/web_sound.hpp"

int main() {
    using namespace kueruma;
    web::input::listen();
    web::sound::open();
    for (;;) {
        web::playOnce();
        web::waitForRestart();
    }
}
