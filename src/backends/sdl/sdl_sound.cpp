#include "backends/sdl/sdl_sound.hpp"

#include "seam/machine.hpp"
#include "seam/sounds.hpp"

#include <SDL.h>
#ifdef KUERUMA_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

namespace kueruma::sdl::sound {

namespace {

// The cues are made at this rate, so they need no conversion on the usual device.
constexpr int deviceRate = 22050;

struct Clip {
    std::vector<Uint8> pcm; // in the device's format; empty when the file could not be used
};

struct Player {
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec output{};
    // One a cue, in the order of the sound table.
    std::array<Clip, seam::soundCount> clips{};
    std::vector<Sint16> beep; // in the device's format too
    // Shared with the audio thread, under the device lock.
    const Uint8* playing = nullptr;
    std::size_t length = 0;
    std::size_t position = 0;
    // The settings' volume, 0 to SDL_MIX_MAXVOLUME; at the most every sample is as recorded.
    int volume = SDL_MIX_MAXVOLUME;
    bool mute = false;
};

Player player;

void mix(void*, Uint8* stream, int bytes) {
    const std::size_t wanted = static_cast<std::size_t>(bytes);
    std::size_t copied = 0;
    if (player.playing != nullptr && player.position < player.length) {
        copied = player.length - player.position;
        if (copied > wanted) copied = wanted;
        if (player.volume >= SDL_MIX_MAXVOLUME) {
            std::memcpy(stream, player.playing + player.position, copied);
        } else {
            std::memset(stream, player.output.silence, copied);
            SDL_MixAudioFormat(stream, player.playing + player.position, player.output.format,
                               static_cast<Uint32>(copied), player.volume);
        }
        player.position += copied;
    }
    std::memset(stream + copied, player.output.silence, wanted - copied);
}

// What a missing sound file plays, as Windows plays its default sound: a short two-tone beep.
void makeBeep() {
    const int samples = deviceRate * 15 / 100;
    player.beep.resize(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        const double hz = i < samples / 2 ? 880.0 : 660.0;
        const double fade = 1.0 - static_cast<double>(i) / samples;
        const double phase = std::sin(2.0 * std::numbers::pi * hz * i / deviceRate);
        player.beep[static_cast<std::size_t>(i)] =
            static_cast<Sint16>((phase >= 0 ? 7000 : -7000) * fade);
    }
}

std::uint32_t readLe(const std::vector<Uint8>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

struct Wave {
    int tag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::size_t dataAt = 0;
    std::size_t dataBytes = 0;
    bool hasFormat = false;
    bool hasData = false;
};

// Finds the format and the samples among the RIFF chunks; empty when they are whole.
std::string readChunks(const std::vector<Uint8>& bytes, Wave& wave) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return "not a WAV file";
    }
    for (std::size_t at = 12; at + 8 <= bytes.size() && !wave.hasData;) {
        const std::size_t size = readLe(bytes, at + 4, 4);
        const std::size_t body = at + 8;
        if (size > bytes.size() - body) return "the file is cut short";
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && size >= 16) {
            wave.tag = static_cast<int>(readLe(bytes, body, 2));
            wave.channels = static_cast<int>(readLe(bytes, body + 2, 2));
            wave.rate =
                static_cast<int>(std::min<std::uint32_t>(readLe(bytes, body + 4, 4), INT32_MAX));
            wave.bits = static_cast<int>(readLe(bytes, body + 14, 2));
            // WAVE_FORMAT_EXTENSIBLE names the real format in its sub-format's first two bytes.
            if (wave.tag == 0xFFFE && size >= 26) {
                wave.tag = static_cast<int>(readLe(bytes, body + 24, 2));
            }
            wave.hasFormat = true;
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            wave.dataAt = body;
            wave.dataBytes = size;
            wave.hasData = true;
        }
        at = body + size + (size & 1);
    }
    if (!wave.hasFormat) return "no format chunk";
    if (!wave.hasData) return "no sound data";
    return {};
}

std::string checkFormat(const Wave& wave) {
    if (wave.tag != 1) return "not PCM (format " + std::to_string(wave.tag) + ")";
    if (wave.bits != 8 && wave.bits != 16) {
        return std::to_string(wave.bits) + "-bit samples, not 8 or 16";
    }
    if (wave.channels != 1 && wave.channels != 2) {
        return std::to_string(wave.channels) + " channels, not 1 or 2";
    }
    if (wave.rate < minCueRate || wave.rate > maxCueRate) {
        return "a rate of " + std::to_string(wave.rate) + " Hz, not " + std::to_string(minCueRate) +
               " to " + std::to_string(maxCueRate);
    }
    return {};
}

std::string readFile(const std::string& path, std::vector<Uint8>& bytes) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) return "not a readable file";
    if (size > seam::maxSoundFileBytes) {
        return "larger than " + std::to_string(seam::maxSoundFileBytes / (1024 * 1024)) + " MB";
    }
    std::ifstream in(path, std::ios::binary);
    bytes.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!in || in.gcount() != static_cast<std::streamsize>(size)) return "cannot be read";
    return {};
}

// The files next to the program come first: the game then sounds the same from any folder, and
// a build folder plays its own cues. Then the installed data folder beside the programs' folder,
// so an installed game works under any prefix and after being moved; then the working folder.
std::vector<std::string> cueFolders() {
    std::vector<std::string> folders;
    if (char* base = SDL_GetBasePath()) {
        folders.emplace_back(base);
        folders.emplace_back(std::string(base) + KUERUMA_DATA_FROM_BIN "/");
        SDL_free(base);
    }
    folders.emplace_back();
    return folders;
}

// One line naming the cues found nowhere and where they were looked for.
void reportMissing(const std::vector<std::string>& missing,
                   const std::vector<std::string>& folders) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    std::string places;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (i > 0) places += i + 1 == folders.size() ? ", or " : ", ";
        places += folders[i].empty() ? "the working folder" : folders[i];
    }
    std::fprintf(stderr, "kueruma: %s not found in %s; %s instead\n", names.c_str(), places.c_str(),
                 missing.size() == 1 ? "its cue beeps" : "their cues beep");
}

void loadClips() {
    const std::vector<std::string> folders = cueFolders();
    std::vector<std::string> missing;
    for (std::size_t cue = 0; cue < player.clips.size(); ++cue) {
        Clip& clip = player.clips[cue];
        bool found = false;
        for (const std::string& folder : folders) {
            const std::string path = folder + seam::soundFiles[cue];
            std::error_code ec;
            if (!std::filesystem::exists(path, ec)) continue;
            found = true;
            const std::string refused = loadCue(path, player.output, clip.pcm);
            if (!refused.empty()) {
                std::fprintf(stderr, "kueruma: %s is not played (%s); its cue beeps instead\n",
                             path.c_str(), refused.c_str());
            }
            break;
        }
        if (!found) missing.emplace_back(seam::soundFiles[cue]);
    }
    if (!missing.empty()) reportMissing(missing, folders);
}

#ifdef KUERUMA_HAVE_ALSA
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
#endif

// ALSA reports every device it fails to open on stderr, several lines each; the one line the
// game prints says all a player needs.
class QuietAlsa {
  public:
#ifdef KUERUMA_HAVE_ALSA
    QuietAlsa() {
        snd_lib_error_set_handler(ignoreAlsaError);
    }
    ~QuietAlsa() {
        snd_lib_error_set_handler(nullptr);
    }
#else
    QuietAlsa() = default;
#endif
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;
};

} // namespace

std::string loadCue(const std::string& path, const SDL_AudioSpec& device, std::vector<Uint8>& pcm) {
    pcm.clear();
    std::vector<Uint8> bytes;
    std::string problem = readFile(path, bytes);
    Wave wave;
    if (problem.empty()) problem = readChunks(bytes, wave);
    if (problem.empty()) problem = checkFormat(wave);
    if (!problem.empty()) return problem;
    const int frameBytes = wave.channels * wave.bits / 8;
    const std::size_t length =
        wave.dataBytes - wave.dataBytes % static_cast<std::size_t>(frameBytes);
    if (length == 0) return "no sound data";
    SDL_AudioCVT cvt{};
    const int built = SDL_BuildAudioCVT(&cvt, wave.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                                        static_cast<Uint8>(wave.channels), wave.rate, device.format,
                                        device.channels, device.freq);
    if (built < 0) return std::string("cannot be converted: ") + SDL_GetError();
    // The limits above keep this buffer within a few dozen megabytes.
    pcm.resize(length * static_cast<std::size_t>(cvt.len_mult));
    std::memcpy(pcm.data(), bytes.data() + wave.dataAt, length);
    cvt.buf = pcm.data();
    cvt.len = static_cast<int>(length);
    if (built == 1 && SDL_ConvertAudio(&cvt) != 0) {
        pcm.clear();
        return std::string("cannot be converted: ") + SDL_GetError();
    }
    pcm.resize(built == 1 ? static_cast<std::size_t>(cvt.len_cvt) : length);
    return {};
}

void open() {
    close();
    const QuietAlsa quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "kueruma: no sound (%s); the game plays silently\n", SDL_GetError());
        return;
    }
    SDL_AudioSpec want{};
    want.freq = deviceRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    want.callback = mix;
    // No changes allowed: SDL converts to whatever the hardware wants, and the beep and the
    // cues can be prepared in this one format.
    player.device = SDL_OpenAudioDevice(nullptr, 0, &want, &player.output, 0);
    if (player.device == 0) {
        std::fprintf(stderr, "kueruma: no sound device (%s); the game plays silently\n",
                     SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    makeBeep();
    loadClips();
    SDL_PauseAudioDevice(player.device, 0);
}

void setVolume(int percent, bool mute) {
    const int volume = std::clamp(percent, 0, 100) * SDL_MIX_MAXVOLUME / 100;
    if (player.device != 0) SDL_LockAudioDevice(player.device);
    player.volume = volume;
    player.mute = mute;
    if (player.device != 0) SDL_UnlockAudioDevice(player.device);
}

void setPaused(bool paused) {
    if (player.device != 0) SDL_PauseAudioDevice(player.device, paused ? 1 : 0);
}

void close() {
    if (player.device != 0) {
        SDL_CloseAudioDevice(player.device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    player.device = 0;
    player.playing = nullptr;
    player.length = player.position = 0;
    for (Clip& clip : player.clips) clip.pcm.clear();
}

} // namespace kueruma::sdl::sound

namespace kueruma::seam {

using sdl::sound::player;

void playSound(const char* fileName) {
    if (player.device == 0 || player.mute || player.volume == 0) return;
    const Uint8* sound = reinterpret_cast<const Uint8*>(player.beep.data());
    std::size_t length = player.beep.size() * sizeof(Sint16);
    for (std::size_t cue = 0; cue < player.clips.size(); ++cue) {
        const auto& clip = player.clips[cue];
        if (std::strcmp(soundFiles[cue], fileName) == 0 && !clip.pcm.empty()) {
            sound = clip.pcm.data();
            length = clip.pcm.size();
        }
    }
    SDL_LockAudioDevice(player.device);
    player.playing = sound;
    player.length = length;
    player.position = 0;
    SDL_UnlockAudioDevice(player.device);
}

} // namespace kueruma::seam
