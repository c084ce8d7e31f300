// Pictures as an animated GIF that loops: each picture is shown from a time on the program's
// clock until the next one, in one palette of the greys the game draws with.
#pragma once

#include "raster/framebuffer.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kueruma::image {

// The greys the game draws with: black, and every 8k-1 up to white (the hit flash's rays step
// through all of them). Any other grey is shown as the nearest of these.
inline constexpr int gifGreyCount = 33;
std::uint8_t gifGreyOf(int paletteIndex);

class GifMovie {
  public:
    GifMovie();
    ~GifMovie();
    GifMovie(const GifMovie&) = delete;
    GifMovie& operator=(const GifMovie&) = delete;

    // False with `error` naming the file when it cannot be made.
    bool open(const std::string& path, int width, int height, std::string& error);
    // `picture` is on the screen from `atMs` on (times never go back).
    bool show(const raster::Framebuffer& picture, std::int64_t atMs, std::string& error);
    // The last picture stays until `endMs`; writes the rest and puts the file in its place.
    bool close(std::int64_t endMs, std::string& error);
    // Writes nothing: whatever stood at the path stays as it was.
    void discard();

    // A rectangle of pixels, edges included.
    struct Area {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };

  private:
    bool putFrame(const raster::Framebuffer& picture, const Area& area, std::int64_t delayCs,
                  std::string& error);
    bool writePending(std::int64_t untilMs, std::string& error);
    bool fail(int gifError, std::string& error);

    struct File;
    std::unique_ptr<File> file_;
    std::string path_;
    // The picture waiting to learn how long it stays, and what the GIF shows so far.
    std::optional<raster::Framebuffer> pending_;
    std::int64_t pendingSinceMs_ = 0;
    std::optional<raster::Framebuffer> shown_;
};

} // namespace kueruma::image
