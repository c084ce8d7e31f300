// The sound player: one cue at a time on one audio device, a new cue cutting the last one off.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kueruma::sdl::sound {

// Cue files played faster or slower than this are refused: converting them could take without
// bound, and no cue needs it.
inline constexpr int minCueRate = 4000;
inline constexpr int maxCueRate = 192000;

// Opens the audio device and loads the four cues, from next to the program or else from the
// working folder. Without a device the game is silent, after one line saying so; a cue file that
// is refused is named on one line and that cue beeps.
void open();
void close();
// The settings' volume (0 to 100) and mute, for every cue from now on (kept across open()).
void setVolume(int percent, bool mute);
// A paused game is silent; the cue playing goes on where it stopped.
void setPaused(bool paused);

// Reads the cue file at `path` for a device playing `device`'s format. Empty when `pcm` holds
// it, converted; otherwise why it is refused (over seam::maxSoundFileBytes, not an 8- or 16-bit
// PCM WAV, a rate outside minCueRate..maxCueRate, cut short).
std::string loadCue(const std::string& path, const SDL_AudioSpec& device, std::vector<Uint8>& pcm);

} // namespace kueruma::sdl::sound
