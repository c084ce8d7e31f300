#include "backends/win32/win32_keys.hpp"

#include "seam/machine.hpp"

#include <algorithm>

namespace kueruma::win32 {

namespace {

// The game's key of each action, in the order of settings::Action; pause is the program's own.
constexpr std::array<int, settings::actionCount - 1> gameKeys{
    seam::keyLeft, seam::keyRight, seam::keyUp, seam::keyDown,
    seam::keyX,    seam::keyZ,     seam::keyF11};

struct Named {
    std::string_view name;
    int virtualKey;
};
constexpr std::array<Named, 27> namedKeys{{
    {"Left", VK_LEFT},
    {"Right", VK_RIGHT},
    {"Up", VK_UP},
    {"Down", VK_DOWN},
    {"Space", VK_SPACE},
    {"Return", VK_RETURN},
    {"Tab", VK_TAB},
    {"Backspace", VK_BACK},
    {"Insert", VK_INSERT},
    {"Delete", VK_DELETE},
    {"Home", VK_HOME},
    {"End", VK_END},
    {"PageUp", VK_PRIOR},
    {"PageDown", VK_NEXT},
    {"LeftShift", VK_LSHIFT},
    {"RightShift", VK_RSHIFT},
    {"LeftCtrl", VK_LCONTROL},
    {"RightCtrl", VK_RCONTROL},
    {"LeftAlt", VK_LMENU},
    {"RightAlt", VK_RMENU},
    {"Pause", VK_PAUSE},
    {"KeypadEnter", VK_RETURN},
    {"KeypadPlus", VK_ADD},
    {"KeypadMinus", VK_SUBTRACT},
    {"KeypadMultiply", VK_MULTIPLY},
    {"KeypadDivide", VK_DIVIDE},
    {"KeypadPeriod", VK_DECIMAL},
}};

// The number after `prefix` ("F11", "Keypad5"), else -1.
int numberAfter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size() ||
        name.size() > prefix.size() + 2)
        return -1;
    int number = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool letterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

int virtualKeyNamed(std::string_view name) {
    // Letters and digits are their own codes.
    if (name.size() == 1 && letterOrDigit(name[0])) return name[0];
    if (const int f = numberAfter(name, "F"); f >= 1 && f <= 12) return VK_F1 + f - 1;
    if (const int k = numberAfter(name, "Keypad"); k >= 0 && k <= 9) return VK_NUMPAD0 + k;
    for (const Named& key : namedKeys) {
        if (key.name == name) return key.virtualKey;
    }
    // The punctuation keys move with the keyboard's layout: the key that types the character.
    for (const settings::Punctuation& key : settings::punctuation) {
        if (key.name != name) continue;
        const SHORT typed = VkKeyScanW(static_cast<WCHAR>(key.character[0]));
        return typed == -1 || (typed & 0xFF00) != 0 ? 0 : typed & 0xFF;
    }
    return 0;
}

int keyOfMessage(WPARAM key, LPARAM flags) {
    const bool extended = (flags & (LPARAM{1} << 24)) != 0;
    switch (key) {
    case VK_SHIFT: {
        const UINT scanCode = (static_cast<UINT>(flags) >> 16) & 0xFF;
        return MapVirtualKeyW(scanCode, MAPVK_VSC_TO_VK_EX) == VK_RSHIFT ? VK_RSHIFT : VK_LSHIFT;
    }
    case VK_CONTROL:
        return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU:
        return extended ? VK_RMENU : VK_LMENU;
    default:
        return static_cast<int>(key);
    }
}

KeyBindings::KeyBindings(const settings::Bindings& keys) {
    for (std::size_t action = 0; action < settings::actionCount; ++action) {
        for (const std::string& name : keys[action]) {
            if (const int key = virtualKeyNamed(name); key != 0) keys_[action].push_back(key);
        }
    }
}

short KeyBindings::state(int virtualKey, SHORT(WINAPI* query)(int)) const {
    const auto game = std::find(gameKeys.begin(), gameKeys.end(), virtualKey);
    if (game == gameKeys.end()) return query(virtualKey);
    short answer = 0;
    for (int key : keys_[static_cast<std::size_t>(game - gameKeys.begin())])
        answer = static_cast<short>(answer | query(key));
    return answer;
}

bool KeyBindings::pauses(int virtualKey) const {
    const auto& keys = keys_[static_cast<std::size_t>(settings::Action::pause)];
    return std::find(keys.begin(), keys.end(), virtualKey) != keys.end();
}

bool KeyBindings::bound(int virtualKey) const {
    return std::any_of(keys_.begin(), keys_.end(), [virtualKey](const std::vector<int>& keys) {
        return std::find(keys.begin(), keys.end(), virtualKey) != keys.end();
    });
}

} // namespace kueruma::win32
