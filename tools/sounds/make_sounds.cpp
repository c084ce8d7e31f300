// kueruma-make-sounds: writes the game's four cues, WavF_01.wav to WavF_04.wav, into a folder.
// They are synthesised rather than recorded so the build needs no binary assets: short 16-bit
// mono clips at 22050 Hz, each recognisable at once over the others.
#include "seam/sounds.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int sampleRate = 22050;
constexpr double twoPi = 2.0 * std::numbers::pi;

using Samples = std::vector<double>; // -1..1

int samplesFor(double seconds) {
    return static_cast<int>(seconds * sampleRate);
}

// A soft square wave: rounder than a pure square, still bright like an old sound chip.
double squareish(double phase) {
    return std::tanh(4.0 * std::sin(phase));
}

// Fades in over a few milliseconds and out exponentially, so no clip starts or ends with a click.
double envelope(int i, int n, double decayPerSecond) {
    const double attack = std::fmin(1.0, i / (0.004 * sampleRate));
    const double release = std::fmin(1.0, (n - i) / (0.006 * sampleRate));
    return attack * release * std::exp(-decayPerSecond * i / sampleRate);
}

void addTone(Samples& out, double startSeconds, double seconds, double hz, double volume,
             double decay) {
    const int start = samplesFor(startSeconds);
    const int n = samplesFor(seconds);
    if (out.size() < static_cast<std::size_t>(start + n)) out.resize(start + n, 0.0);
    double phase = 0.0;
    for (int i = 0; i < n; ++i) {
        out[start + i] += volume * envelope(i, n, decay) * squareish(phase);
        phase += twoPi * hz / sampleRate;
    }
}

// The menu cue (also a block hit): one short high blip.
Samples menuBlip() {
    Samples s;
    addTone(s, 0.0, 0.07, 1318.5, 0.5, 25.0);
    return s;
}

// A block breaking: a burst of noise over a falling thump.
Samples blockBreak() {
    const int n = samplesFor(0.22);
    Samples s(n, 0.0);
    std::uint32_t seed = 0x2545F491U;
    double phase = 0.0;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525U + 1013904223U;
        const double noise = static_cast<double>(seed >> 8) / (1U << 24) * 2.0 - 1.0;
        const double hz = 180.0 - 120.0 * i / n;
        phase += twoPi * hz / sampleRate;
        s[i] = envelope(i, n, 18.0) * (0.45 * noise + 0.4 * std::sin(phase));
    }
    return s;
}

// The last block broken: a sweep rising through two octaves under the clear animation.
Samples breakUp() {
    const int n = samplesFor(0.6);
    Samples s(n, 0.0);
    double phase = 0.0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / n;
        const double hz = 330.0 * std::pow(2.0, 2.0 * t);
        phase += twoPi * hz / sampleRate;
        s[i] = 0.45 * envelope(i, n, 1.5) * squareish(phase) *
               (0.75 + 0.25 * std::sin(twoPi * 12.0 * t));
    }
    return s;
}

// Every block of the stage gone: a rising major arpeggio ending on a held octave.
Samples fanfare() {
    Samples s;
    const double notes[] = {523.25, 659.25, 783.99};
    for (int k = 0; k < 3; ++k) addTone(s, 0.11 * k, 0.12, notes[k], 0.4, 6.0);
    addTone(s, 0.33, 0.45, 1046.5, 0.4, 3.0);
    addTone(s, 0.33, 0.45, 523.25, 0.2, 3.0);
    return s;
}

void putLe(std::FILE* f, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

bool writeWav(const std::string& path, const Samples& samples) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::fputs("RIFF", f);
    putLe(f, 36 + dataBytes, 4);
    std::fputs("WAVEfmt ", f);
    putLe(f, 16, 4); // format chunk size
    putLe(f, 1, 2);  // PCM
    putLe(f, 1, 2);  // mono
    putLe(f, sampleRate, 4);
    putLe(f, sampleRate * 2, 4); // bytes per second
    putLe(f, 2, 2);              // block align
    putLe(f, 16, 2);             // bits per sample
    std::fputs("data", f);
    putLe(f, dataBytes, 4);
    for (double v : samples) {
        const double clamped = std::fmax(-1.0, std::fmin(1.0, v));
        putLe(f,
              static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(clamped * 32767.0))),
              2);
    }
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kueruma-make-sounds OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    using kueruma::seam::Sound;
    using kueruma::seam::soundFile;
    const struct {
        const char* name;
        Samples samples;
    } cues[] = {
        {soundFile(Sound::Blip), menuBlip()},
        {soundFile(Sound::BreakUp), blockBreak()},
        {soundFile(Sound::LastBlock), breakUp()},
        {soundFile(Sound::BreakUpCleared), fanfare()},
    };
    for (const auto& cue : cues) {
        const std::string path = dir + "/" + cue.name;
        if (!writeWav(path, cue.samples)) {
            std::fprintf(stderr, "kueruma-make-sounds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
