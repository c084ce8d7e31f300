// Runs in the page, as the desktop game has them: every finished stage's run goes to the page,
// which keeps the latest ones in the browser's storage, and a run the page opens (a file, a
// dropped file, a link, or a kept run to watch) is shown at the game's speed before the player
// takes over, as `kueruma --play` shows one. A run the page opens to race (a kept run, or a link
// with &ghost) is the ghost of the games after it, as `kueruma --ghost` makes one.
#pragma once

namespace kueruma::web::runs {

// Starts the session of a new game: it shows the run the page opened last, if any, once.
void beginSession();
// A timer tick is about to be delivered: a ghost the page has let go goes now, between paints
// (a paint may be drawing its figure, halfway through a pause).
void tickStarts();

} // namespace kueruma::web::runs
