// The sound cues for the browser backend: the page plays them (page.js) one at a time through
// Web Audio, a new cue cutting the last one off; before the first key or click, and without a
// sound device, nothing is heard.
#pragma once

namespace kueruma::web::sound {

// Has the page fetch the four cues' files, once when the page starts.
void open();

} // namespace kueruma::web::sound
