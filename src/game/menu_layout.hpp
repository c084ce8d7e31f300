// The menus as the player meets them: the title and result items, the keypad's cells, and the
// pass codes with the messages that give them away. Both the menu rules and the screens that
// draw them read these.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kueruma::game {

namespace title {
enum Item : std::int32_t { Admission = 0, Option = 1, NewGame = 2, Exit = 3 };
inline constexpr int itemCount = 4;
inline constexpr std::array<std::string_view, itemCount> labels = {"Admission", "Option", "NewGame",
                                                                   "Exit"};
} // namespace title

namespace result {
enum Item : std::int32_t { Replay = 0, OtherStage = 1 };
inline constexpr int itemCount = 2;
inline constexpr std::array<std::string_view, itemCount> labels = {"Replay", "OtherStage"};
} // namespace result

// Three columns and five rows, cell = row * 3 + column: a blank, "Enter" and a blank on top,
// the digits 1 to 9 in the middle, and "<", 0 and ">" at the bottom.
namespace keypad {
inline constexpr int columns = 3;
inline constexpr int cellCount = 15;
inline constexpr int digitCount = 4; // digits in a pass code
enum Cell : std::int32_t {
    BlankLeft = 0,
    Enter = 1,
    BlankRight = 2,
    DigitOne = 3,
    DigitNine = 11,
    Back = 12,
    Zero = 13,
    Forward = 14,
};
constexpr bool isDigitOneToNine(int cell) {
    return cell >= DigitOne && cell <= DigitNine;
}
// The digit a cell from DigitOne to DigitNine enters.
constexpr int digitOf(int cell) {
    return cell - DigitOne + 1;
}
} // namespace keypad

// "次はこんな感じで格闘ゲームでも作りますわ", the remark after the last stage (Shift-JIS).
inline constexpr std::string_view closingRemark =
    "\x8E\x9F\x82\xCD\x82\xB1\x82\xF1\x82\xC8\x8A\xB4\x82\xB6\x82\xC5\x8A\x69\x93\xAC\x83\x51"
    "\x81\x5B\x83\x80\x82\xC5\x82\xE0\x8D\xEC\x82\xE8\x82\xDC\x82\xB7\x82\xED";

// The code that opens each stage, and the message the result screen shows once the stage
// before it is cleared. The messages are fixed texts (the first two both say "Stage2").
struct PassCode {
    int code;
    std::int32_t stage;
    std::string_view message;
};
inline constexpr std::array<PassCode, 9> passCodes = {{
    {0, 0, {}}, // the digits at start-up open the first stage
    {318, 1, "Stage2 Pass 0318"},
    {427, 2, "Stage2 Pass 0427"},
    {2836, 3, "Stage3 Pass 2836"},
    {6081, 4, "Stage4 Pass 6081"},
    {3417, 5, "Stage5 Pass 3417"},
    {7265, 6, "Stage6 Pass 7265"},
    {5902, 7, "Stage7 Pass 5902"},
    {9357, 8, "Stage8 Pass 9357"},
}};

// The message shown after clearing stage `stageIndex` (0 to 8).
constexpr std::string_view passMessage(std::int32_t stageIndex) {
    return stageIndex + 1 < static_cast<std::int32_t>(passCodes.size())
               ? passCodes[static_cast<std::size_t>(stageIndex) + 1].message
               : closingRemark;
}

namespace detail {
constexpr bool messageEndsWithCode(const PassCode& p) {
    const std::string_view m = p.message;
    if (m.size() < 4) return false;
    int value = 0;
    for (char c : m.substr(m.size() - 4)) value = value * 10 + (c - '0');
    return value == p.code;
}
constexpr bool everyMessageShowsItsCode() {
    for (std::size_t i = 1; i < passCodes.size(); ++i) {
        if (!messageEndsWithCode(passCodes[i]) || passCodes[i].stage != static_cast<int>(i))
            return false;
    }
    return true;
}
} // namespace detail
static_assert(detail::everyMessageShowsItsCode(), "a pass message must show the code it names");

} // namespace kueruma::game
