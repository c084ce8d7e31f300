#include "host/loop/message_loop.hpp"

#include "seam/machine.hpp"

namespace kueruma::loop {

void Timer::set(unsigned periodMs, std::int64_t now) {
    // A new period starts a new grid from now, as SetTimer does.
    running_ = true;
    periodMs_ = periodMs;
    nextDue_ = now + periodMs;
}

std::int64_t Timer::msUntilDue(std::int64_t now) const {
    if (!running_) return -1;
    return nextDue_ > now ? nextDue_ - now : 0;
}

void Timer::take(std::int64_t now) {
    const std::int64_t step = periodMs_ > 0 ? periodMs_ : 1;
    if (now >= nextDue_) nextDue_ += ((now - nextDue_) / step + 1) * step;
}

} // namespace kueruma::loop
