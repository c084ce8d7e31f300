// The player's settings in the page: the desktop's settings.toml text, kept in the browser's
// storage by the page's Settings panel (settings.js) and read and written here with the desktop's
// own reader and writer, so one file can move between the two. With nothing kept, the game is as
// it always was.
#pragma once

namespace kueruma::web::prefs {

// Has the page hand over the text it keeps, if any, and uses it.
void open();

// Whether the player asked for the hit flash and the clear animation in dim greys.
bool reducedFlashing();
// Whether the player asked for the stage's time beside the picture.
bool timer();

} // namespace kueruma::web::prefs
