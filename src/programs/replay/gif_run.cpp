#include "programs/replay/gif_run.hpp"

#include <algorithm>

namespace kueruma::replay {

bool GifRun::open(const std::string& path, std::string& error) {
    path_ = path;
    return movie_.open(path, picture_.width(), picture_.height(), error);
}

bool GifRun::afterTick(std::int64_t tick, const headless::TickReport& report, std::string& error) {
    lastTick_ = tick;
    if (tick < from_ || tick > to_) return true;
    // A tick that paints nothing leaves the last picture on the screen a tick longer.
    const std::int64_t shownMs = report.tickMs + report.sleptMs;
    endMs_ = shownMs + std::max<std::int64_t>(report.timerMs, 10);
    if (tick != from_ && !report.painted) return true;
    shownAny_ = true;
    return movie_.show(picture_, shownMs, error);
}

bool GifRun::close(std::string& error) {
    if (shownAny_) return movie_.close(endMs_, error);
    movie_.discard();
    error = "the run ended at tick " + std::to_string(lastTick_) + ", before --from " +
            std::to_string(from_) + ": no " + path_ + " written";
    return false;
}

} // namespace kueruma::replay
