#include "host/loop/key_latch.hpp"

#include "seam/machine.hpp"

namespace kueruma::loop {

KeySet keyBit(int virtualKey) {
    switch (virtualKey) {
    case seam::keyLeft:
        return KeyLeft;
    case seam::keyUp:
        return KeyUp;
    case seam::keyRight:
        return KeyRight;
    case seam::keyDown:
        return KeyDown;
    case seam::keyX:
        return KeyX;
    case seam::keyZ:
        return KeyZ;
    case seam::keyF11:
        return KeyF11;
    default:
        return 0;
    }
}

void KeyLatch::press(KeySet keys) {
    pressed_ = static_cast<KeySet>(pressed_ | (keys & ~held_));
    held_ = static_cast<KeySet>(held_ | keys);
}

void KeyLatch::hold(KeySet keys) {
    pressed_ = static_cast<KeySet>(pressed_ | (keys & ~held_));
    held_ = keys;
}

short KeyLatch::query(int virtualKey) {
    const KeySet bit = keyBit(virtualKey);
    const bool down = (held_ & bit) != 0;
    const bool pressed = (pressed_ & bit) != 0;
    pressed_ = static_cast<KeySet>(pressed_ & ~bit);
    return static_cast<short>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

} // namespace kueruma::loop
