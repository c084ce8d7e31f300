#include "platform/sdl/sdl_sound.hpp"

#include "seam/platform.hpp"

#include <SDL.h>

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace kueruma::sdl::sound {

namespace {

// The cues are made at this rate, so they need no conversion on the usual device.
constexpr int deviceRate = 22050;

struct Clip {
    const char* name;
    std::vector<Uint8> pcm; // in the device's format; empty when the file could not be used
};

struct Player {
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec output{};
    bool loaded = false;
    std::array<Clip, 4> clips{
        {{"WavF_01.wav", {}}, {"WavF_02.wav", {}}, {"WavF_03.wav", {}}, {"WavF_04.wav", {}}}};
    std::vector<Sint16> beep; // in the device's format too
    // Shared with the audio thread, under the device lock.
    const Uint8* playing = nullptr;
    std::size_t length = 0;
    std::size_t position = 0;
};

Player player;

void mix(void*, Uint8* stream, int bytes) {
    const std::size_t wanted = static_cast<std::size_t>(bytes);
    std::size_t copied = 0;
    if (player.playing != nullptr && player.position < player.length) {
        copied = player.length - player.position;
        if (copied > wanted) copied = wanted;
        std::memcpy(stream, player.playing + player.position, copied);
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

void loadClip(Clip& clip) {
    SDL_AudioSpec loaded{};
    Uint8* data = nullptr;
    Uint32 bytes = 0;
    if (SDL_LoadWAV(clip.name, &loaded, &data, &bytes) == nullptr) return;
    SDL_AudioCVT cvt{};
    const int built =
        SDL_BuildAudioCVT(&cvt, loaded.format, loaded.channels, loaded.freq, player.output.format,
                          player.output.channels, player.output.freq);
    if (built >= 0) {
        clip.pcm.resize(static_cast<std::size_t>(bytes) * static_cast<std::size_t>(cvt.len_mult));
        std::memcpy(clip.pcm.data(), data, bytes);
        cvt.buf = clip.pcm.data();
        cvt.len = static_cast<int>(bytes);
        if (built == 0 || SDL_ConvertAudio(&cvt) == 0) {
            clip.pcm.resize(static_cast<std::size_t>(built == 0 ? bytes : cvt.len_cvt));
        } else {
            clip.pcm.clear();
        }
    }
    SDL_FreeWAV(data);
}

} // namespace

void open() {
    close();
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0) return;
    SDL_AudioSpec want{};
    want.freq = deviceRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    want.callback = mix;
    // No changes allowed: SDL converts to whatever the hardware wants, and the beep and the
    // cues can be prepared in this one format.
    player.device = SDL_OpenAudioDevice(nullptr, 0, &want, &player.output, 0);
    if (player.device == 0) return;
    makeBeep();
    SDL_PauseAudioDevice(player.device, 0);
}

void close() {
    if (player.device != 0) SDL_CloseAudioDevice(player.device);
    player.device = 0;
    player.playing = nullptr;
    player.length = player.position = 0;
    player.loaded = false;
    for (Clip& clip : player.clips) clip.pcm.clear();
}

} // namespace kueruma::sdl::sound

namespace kueruma::platform {

using sdl::sound::player;

void playSound(const char* fileName) {
    if (player.device == 0) return;
    // The four files are read on the first cue, which is always a menu blip: nothing is read
    // or allocated later, in the middle of a stage.
    if (!player.loaded) {
        for (auto& clip : player.clips) sdl::sound::loadClip(clip);
        player.loaded = true;
    }
    const Uint8* sound = reinterpret_cast<const Uint8*>(player.beep.data());
    std::size_t length = player.beep.size() * sizeof(Sint16);
    for (const auto& clip : player.clips) {
        if (std::strcmp(clip.name, fileName) == 0 && !clip.pcm.empty()) {
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

} // namespace kueruma::platform
