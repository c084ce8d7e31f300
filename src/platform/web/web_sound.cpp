// The cues play on the page (page.js): one at a time through Web Audio, a new cue cutting the
// last one off; before the first key or click, and without a sound device, nothing is heard.
#include "seam/platform.hpp"

#include <emscripten.h>

namespace kueruma::platform {

namespace {
EM_JS(void, playCue, (const char* fileName), { kuerumaPage.playCue(UTF8ToString(fileName)); });
} // namespace

void playSound(const char* fileName) {
    playCue(fileName);
}

} // namespace kueruma::platform
