// kueruma in the browser: one game after another, each started from the page's "play again".
#include "backends/web/web_backend.hpp"

int main() {
    using namespace kueruma;
    web::openPage();
    for (;;) {
        web::playOnce();
        web::waitForRestart();
    }
}
