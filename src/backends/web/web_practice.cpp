#include "backends/web/web_practice.hpp"

#include "host/driver/practice.hpp"
#include "host/driver/start.hpp"

#include <emscripten.h>

#include <cstring>
#include <string>

namespace kueruma::web::practice {

namespace {

// clang-format off
EM_JS(int, practiceWanted, (), { return kuerumaPage.practiceWanted() ? 1 : 0; });
EM_JS(void, showSpeed, (int percent), { kuerumaPage.practiceSpeed(percent); });
EM_JS(void, showNotice, (const char* text), { kuerumaPage.showMessage(UTF8ToString(text)); });
// clang-format on

} // namespace

void beginGame(record::SessionOptions& options) {
    options.practice = practiceWanted() != 0 && options.playSteps.empty();
    if (!options.practice) {
        driver::practice::disable();
        return;
    }
    driver::practice::enable(
        {driver::cutSession, [](const std::string& message) { showNotice(message.c_str()); }});
    showSpeed(driver::practice::speedPercent());
}

bool takeKey(const char* key, bool repeat, bool down) {
    namespace p = driver::practice;
    if (!p::enabled()) return false;
    if (std::strcmp(key, "Backspace") == 0) {
        p::setRewinding(down);
    } else if (std::strcmp(key, "[") == 0 || std::strcmp(key, "]") == 0) {
        if (!down || repeat) return true;
        if (key[0] == '[') {
            p::slower();
        } else {
            p::faster();
        }
        showSpeed(p::speedPercent());
    } else if (std::strcmp(key, ".") == 0) {
        if (down) p::step();
    } else {
        return false;
    }
    return true;
}

} // namespace kueruma::web::practice
