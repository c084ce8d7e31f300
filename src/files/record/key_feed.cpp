#include "files/record/key_feed.hpp"

#include <utility>

namespace kueruma::record {

KeyFeed::KeyFeed(std::vector<script::Step> steps) : steps_(std::move(steps)) {}

void KeyFeed::nextTick() {
    if (!active()) return;
    if (started_ && ++usedOfStep_ == steps_[step_].count) {
        ++step_;
        usedOfStep_ = 0;
    }
    started_ = true;
    latch_.hold(active() ? steps_[step_].keys : loop::KeySet{0});
}

} // namespace kueruma::record
