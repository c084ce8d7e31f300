// The keys of the player's settings as Windows' virtual-key codes: the game asks about its own
// keys (the arrows, X, Z, F11) and hears about the keys the player bound to those actions.
#pragma once

#include "files/settings/settings.hpp"

#include <array>
#include <string_view>
#include <vector>
#include <windows.h>

namespace kueruma::win32 {

// The virtual-key code of the key a setting names ("Space", "F11", "Keypad5", "Comma"); 0 when
// Windows has none (a punctuation character this keyboard types only with Shift or AltGr).
// Windows cannot tell the keypad's Enter from Return: both are VK_RETURN.
int virtualKeyNamed(std::string_view name);

// The key of a WM_KEYDOWN or WM_SYSKEYDOWN, with Shift, Ctrl and Alt told left from right as
// the settings name them.
int keyOfMessage(WPARAM key, LPARAM flags);

class KeyBindings {
  public:
    explicit KeyBindings(const settings::Bindings& keys);

    // What GetAsyncKeyState (`query`) says of the game's key `virtualKey` when the player's keys
    // stand in for it: the keys bound to its action together, a key held or pressed since the
    // last look in any of them counting. The game's own key, bound elsewhere or nowhere, no
    // longer counts for it. Any other key is asked as it is.
    short state(int virtualKey, SHORT(WINAPI* query)(int)) const;
    bool pauses(int virtualKey) const;
    bool bound(int virtualKey) const;

  private:
    std::array<std::vector<int>, settings::actionCount> keys_;
};

} // namespace kueruma::win32
