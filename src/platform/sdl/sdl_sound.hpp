// The sound player: one cue at a time on one audio device, a new cue cutting the last one off.
#pragma once

namespace kueruma::sdl::sound {

// Opens the audio device; without one the game is simply silent.
void open();
void close();

} // namespace kueruma::sdl::sound
