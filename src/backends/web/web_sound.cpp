#include "backends/web/web_sound.hpp"

#include "seam/machine.hpp"
#include "seam/sounds.hpp"

#include <emscripten.h>

namespace kueruma::web::sound {

namespace {
EM_JS(void, loadCue, (const char* fileName, double maxBytes),
      { kuerumaPage.loadCue(UTF8ToString(fileName), maxBytes); });
EM_JS(void, playCue, (const char* fileName), { kuerumaPage.playCue(UTF8ToString(fileName)); });
} // namespace

void open() {
    for (const char* fileName : seam::soundFiles) {
        loadCue(fileName, static_cast<double>(seam::maxSoundFileBytes));
    }
}

} // namespace kueruma::web::sound

namespace kueruma::seam {

void playSound(const char* fileName) {
    web::sound::playCue(fileName);
}

} // namespace kueruma::seam
