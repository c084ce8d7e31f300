#include "host/driver/rewind.hpp"

namespace kueruma::driver {

void RewindRing::push(const RewindFrame& frame) {
    if (frames_.empty()) return;
    frames_[newest_] = frame;
    newest_ = (newest_ + 1) % frames_.size();
    if (size_ < frames_.size()) ++size_;
}

bool RewindRing::pop(RewindFrame& frame) {
    if (size_ == 0) return false;
    newest_ = (newest_ + frames_.size() - 1) % frames_.size();
    frame = frames_[newest_];
    --size_;
    return true;
}

} // namespace kueruma::driver
