#include "host/loop/key_latch.hpp"

#include "seam/machine.hpp"

namespace kueruma::loop {

KeySet keyBit(int virtualKey) {
    struct Binding {
        int virtualKey;
        KeySet bit;
    };
    static constexpr Binding bindings[] = {
        {seam::keyLeft, KeyLeft}, {seam::keyUp, KeyUp}, {seam::keyRight, KeyRight},
        {seam::keyDown, KeyDown}, {seam::keyX, KeyX},   {seam::keyZ, KeyZ},
        {seam::keyF11, KeyF11},
    };
    for (const Binding& binding : bindings) {
        if (binding.virtualKey == virtualKey) return binding.bit;
    }
    return 0;
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
