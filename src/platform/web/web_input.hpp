// Keyboard and gamepads for the browser backend, read the way the shell's async key and
// multimedia joystick queries expect.
#pragma once

namespace kueruma::web::input {

// Starts listening to the page's keys and focus.
void listen();
// A new game starts with no key held or pending.
void forgetKeys();
// Time has passed: the next joystick reading asks the browser again.
void markJoysticksStale();

} // namespace kueruma::web::input
