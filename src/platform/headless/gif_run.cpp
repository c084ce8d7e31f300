#include "platform/headless/gif_run.hpp"

#include <algorithm>

namespace kueruma::headless {

bool GifRun::open(const std::string& path, std::string& error) {
    return movie_.open(path, picture_.width(), picture_.height(), error);
}

bool GifRun::afterTick(std::int64_t tick, const TickReport& report, std::string& error) {
    if (tick < from_ || tick > to_) return true;
    // A tick that paints nothing leaves the last picture on the screen a tick longer.
    const std::int64_t shownMs = report.tickMs + report.sleptMs;
    endMs_ = shownMs + std::max<std::int64_t>(report.timerMs, 10);
    if (tick != from_ && !report.painted) return true;
    return movie_.show(picture_, shownMs, error);
}

bool GifRun::close(std::string& error) {
    return movie_.close(endMs_, error);
}

} // namespace kueruma::headless
