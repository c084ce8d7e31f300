// The keys the game asks about and the async key latch that answers for them, apart from the
// rest of the loop so a program with a window of its own (Windows) can use them too.
#pragma once

#include <cstdint>

namespace kueruma::loop {

// The keys the game asks about, as bits (in the order of the letters of a replay script).
enum Key : std::uint8_t {
    KeyLeft = 1 << 0,
    KeyUp = 1 << 1,
    KeyRight = 1 << 2,
    KeyDown = 1 << 3,
    KeyX = 1 << 4,
    KeyZ = 1 << 5,
    KeyF11 = 1 << 6,
};
using KeySet = std::uint8_t;

// The bit of a virtual-key code the game asks about; 0 for any other key.
KeySet keyBit(int virtualKey);

// What the async key query reports: a key is down now, or was pressed since the previous query
// of that key, so a tap shorter than a tick still counts once.
class KeyLatch {
  public:
    void press(KeySet keys);
    void release(KeySet keys) { held_ = static_cast<KeySet>(held_ & ~keys); }
    // Exactly these keys are down from now on.
    void hold(KeySet keys);
    // Pressed and released again since the last query.
    void tap(KeySet keys) { pressed_ = static_cast<KeySet>(pressed_ | keys); }
    void releaseAll() { held_ = 0; }
    // The async key state of `virtualKey` (0x8000 down, 1 pressed since the last query); the
    // press is forgotten once reported.
    short query(int virtualKey);

  private:
    KeySet held_ = 0;
    KeySet pressed_ = 0;
};

} // namespace kueruma::loop
