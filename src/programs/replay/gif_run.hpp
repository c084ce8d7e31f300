// A run, or the ticks from..to of it, as an animated GIF: every paint is a picture, shown on
// the runner's virtual clock from the moment the paint ends (after the pauses of its tick) until
// the next one, so a 50 ms play tick is a twentieth of a second and the stage intro's pause is
// a two-second picture.
#pragma once

#include "backends/headless/headless.hpp"
#include "image/gif_movie.hpp"
#include "raster/framebuffer.hpp"

#include <cstdint>
#include <limits>
#include <string>

namespace kueruma::replay {

class GifRun {
  public:
    static constexpr std::int64_t lastTick = std::numeric_limits<std::int64_t>::max();

    // `picture` is where the run's paints draw.
    GifRun(const raster::Framebuffer& picture, std::int64_t fromTick, std::int64_t toTick)
        : picture_(picture), from_(fromTick), to_(toTick) {}
    bool open(const std::string& path, std::string& error);
    // After the first paint (tick 0) and after every tick: false with `error` when the file
    // could not be written.
    bool afterTick(std::int64_t tick, const headless::TickReport& report, std::string& error);
    // True once the ticks the movie wants are all played.
    bool done(std::int64_t tick) const { return tick >= to_; }
    // Finishes the file; a run that ended before `fromTick` leaves no file and an error.
    bool close(std::string& error);

  private:
    const raster::Framebuffer& picture_;
    std::int64_t from_;
    std::int64_t to_;
    image::GifMovie movie_;
    std::string path_;
    std::int64_t endMs_ = 0;
    std::int64_t lastTick_ = 0;
    bool shownAny_ = false;
};

} // namespace kueruma::replay
