// Keyboard and gamepads for the browser backend: the page's key events into the message loop's
// key latch, and the Gamepad API read the way the shell's multimedia joystick queries expect.
#pragma once

#include "files/settings/settings.hpp"
#include "host/loop/message_loop.hpp"

#include <string>

namespace kueruma::web::input {

// Starts feeding the page's keys, and the loss of its focus, into `keys`; the pause keys pause.
void listen(loop::KeyLatch& keys);
// The player's keys from now on (until then, the settings' defaults: the arrows, X, Z, F11 or G,
// P or Pause). The touch controls always press the default keys.
void bindKeys(const settings::Bindings& keys);
// The settings' name of the key a key event carries (its `key` and `code`), or empty when the
// settings cannot name it.
std::string keyName(const char* key, const char* code);
// Time has passed: the next joystick reading asks the browser again.
void markJoysticksStale();

} // namespace kueruma::web::input
