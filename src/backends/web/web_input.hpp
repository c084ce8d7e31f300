// Keyboard and gamepads for the browser backend: the page's key events into the message loop's
// key latch, and the Gamepad API read the way the shell's multimedia joystick queries expect.
#pragma once

#include "host/loop/message_loop.hpp"

namespace kueruma::web::input {

// Starts feeding the page's keys, and the loss of its focus, into `keys`.
void listen(loop::KeyLatch& keys);
// Time has passed: the next joystick reading asks the browser again.
void markJoysticksStale();

} // namespace kueruma::web::input
