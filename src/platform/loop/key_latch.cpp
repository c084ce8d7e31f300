#include "platform/loop/key_latch.hpp"

#include "seam/platform.hpp"

namespace kueruma::loop {

KeySet keyBit(int virtualKey) {
    switch (virtualKey) {
    case platform::keyLeft:
        return KeyLeft;
    case platform::keyUp:
        return KeyUp;
    case platform::keyRight:
        return KeyRight;
    case platform::keyDown:
        return KeyDown;
    case platform::keyX:
        return KeyX;
    case platform::keyZ:
        return KeyZ;
    case platform::keyF11:
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
