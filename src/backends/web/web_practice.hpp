// Practice in the page, as --practice on the desktop: the page's practice switch (practice.js)
// turns it on for the games it starts; Backspace held (or the touch "rewind" button) rewinds,
// [ and ] set the speed, . holds the game and steps one tick.
#pragma once

#include "files/record/session.hpp"

namespace kueruma::web::practice {

// A new game begins with `options`: practice is on for it when the page asks for it and the
// game does not show a run (as --practice does not go with --play).
void beginGame(record::SessionOptions& options);
// A practice key (by the name the page's key event carries) went down or up; false when it is
// none, or practice is off, and the game hears the key.
bool takeKey(const char* key, bool repeat, bool down);

} // namespace kueruma::web::practice
