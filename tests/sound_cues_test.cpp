// The desktop game's sound cues: the four made for it are short, distinct mono PCM, and a cue
// file is loaded only when it is a modest PCM wave.
#include "backends/sdl/sdl_sound.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace kueruma {
namespace {

// The build writes the cues next to the executables, where the tests run.
TEST(SoundCues, TheFourCuesAreShortDistinctMonoPcm) {
    ASSERT_EQ(SDL_Init(0), 0);
    Uint32 lengths[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::string name = "WavF_0" + std::to_string(i + 1) + ".wav";
        SDL_AudioSpec loaded{};
        Uint8* data = nullptr;
        ASSERT_NE(SDL_LoadWAV(name.c_str(), &loaded, &data, &lengths[i]), nullptr) << name;
        SDL_FreeWAV(data);
        EXPECT_EQ(loaded.channels, 1) << name;
        EXPECT_TRUE(loaded.format == AUDIO_U8 || loaded.format == AUDIO_S16LSB) << name;
        const double ms =
            1000.0 * lengths[i] / (SDL_AUDIO_BITSIZE(loaded.format) / 8) / loaded.freq;
        EXPECT_GT(ms, 30.0) << name;
        EXPECT_LT(ms, 1000.0) << name;
        for (int j = 0; j < i; ++j) EXPECT_NE(lengths[i], lengths[j]) << name;
    }
    SDL_Quit();
}

// A RIFF WAV file: 16-byte PCM format chunk, then `declared` bytes of data of which only
// `present` are there.
std::string waveFile(int rate, int bits, std::uint32_t declared, std::uint32_t present) {
    auto le = [](std::string& out, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    std::string out = "RIFF";
    le(out, 36 + declared, 4);
    out += "WAVEfmt ";
    le(out, 16, 4);
    le(out, 1, 2); // PCM
    le(out, 1, 2); // mono
    le(out, static_cast<std::uint32_t>(rate), 4);
    le(out, static_cast<std::uint32_t>(rate * bits / 8), 4);
    le(out, static_cast<std::uint32_t>(bits / 8), 2);
    le(out, static_cast<std::uint32_t>(bits), 2);
    out += "data";
    le(out, declared, 4);
    out.append(present, '\x40');
    return out;
}

// Hostile cue files are refused unread or unconverted, with the reason; a good one converts.
TEST(SoundFiles, OnlyModestPcmWavesAreLoaded) {
    ASSERT_EQ(SDL_Init(0), 0);
    SDL_AudioSpec device{};
    device.freq = 22050;
    device.format = AUDIO_S16SYS;
    device.channels = 1;
    const std::string dir = ::testing::TempDir();
    struct Case {
        std::string name;
        std::string bytes;
        std::string refused;
    };
    const Case cases[] = {
        {"one-hertz.wav", waveFile(1, 8, 20000, 20000), "a rate of 1 Hz, not 4000 to 192000"},
        {"too-fast.wav", waveFile(384000, 16, 2000, 2000),
         "a rate of 384000 Hz, not 4000 to 192000"},
        {"cut-short.wav", waveFile(22050, 16, 30000, 1000), "the file is cut short"},
        {"not-a-wave.wav", "hello, this is text\n", "not a WAV file"},
        {"24-bit.wav", waveFile(22050, 24, 3000, 3000), "24-bit samples, not 8 or 16"},
        {"good.wav", waveFile(11025, 8, 1000, 1000), ""},
    };
    for (const Case& c : cases) {
        std::ofstream(dir + c.name, std::ios::binary) << c.bytes;
        std::vector<Uint8> pcm;
        EXPECT_EQ(sdl::sound::loadCue(dir + c.name, device, pcm), c.refused) << c.name;
        EXPECT_EQ(pcm.empty(), !c.refused.empty()) << c.name;
    }
    // Twice the rate and twice the sample size: four times the bytes.
    std::vector<Uint8> pcm;
    sdl::sound::loadCue(dir + "good.wav", device, pcm);
    EXPECT_NEAR(static_cast<double>(pcm.size()), 4000.0, 16.0);
    // A 50 MB file is refused before a byte of it is read (it is sparse: nothing is written).
    const std::string huge = dir + "huge.wav";
    std::ofstream(huge, std::ios::binary) << waveFile(22050, 16, 50'000'000, 0);
    std::filesystem::resize_file(huge, 50'000'044);
    EXPECT_EQ(sdl::sound::loadCue(huge, device, pcm), "larger than 4 MB");
    EXPECT_TRUE(pcm.empty());
    std::filesystem::remove(huge);
    SDL_Quit();
}

} // namespace
} // namespace kueruma
