// The game's four sound cues and the wave files that hold them, the one table every player,
// generator and test reads the names from (the names themselves are in sound_files.def, which
// the build and the packages read too).
#pragma once

#include <array>
#include <cstddef>

namespace kueruma::seam {

enum class Sound : std::size_t {
    Blip = 0,          // the menu cue, and a block hit
    BreakUp = 1,       // a broken block flies apart
    LastBlock = 2,     // the last standing block is broken
    BreakUpCleared = 3 // a block flies apart after the stage is cleared
};

inline constexpr std::size_t soundCount = 4;

// Played by these file names, relative to where the sounds are looked up.
inline constexpr std::array<const char*, soundCount> soundFiles = {
#include "seam/sound_files.def"
};

// A cue file larger than this is refused (it plays the beep): a short cue is a few kilobytes,
// and nothing read from a file may make the game hold or convert unbounded sound.
inline constexpr std::size_t maxSoundFileBytes = 4 * 1024 * 1024;

constexpr const char* soundFile(Sound sound) {
    return soundFiles[static_cast<std::size_t>(sound)];
}

} // namespace kueruma::seam
