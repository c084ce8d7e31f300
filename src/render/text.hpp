// The game's texts: the Shift-JIS strings it draws and safe number formatting.
#pragma once

#include "platform/canvas.hpp"

#include <string_view>

namespace kueruma::render {

// "クエルマー"
inline constexpr std::string_view titleText = "\x83\x4E\x83\x47\x83\x8B\x83\x7D\x81\x5B";
// "次はこんな感じで格闘ゲームでも作りますわ", the remark after the last stage.
inline constexpr std::string_view closingRemark =
    "\x8E\x9F\x82\xCD\x82\xB1\x82\xF1\x82\xC8\x8A\xB4\x82\xB6\x82\xC5\x8A\x69\x93\xAC\x83\x51"
    "\x81\x5B\x83\x80\x82\xC5\x82\xE0\x8D\xEC\x82\xE8\x82\xDC\x82\xB7\x82\xED";

inline constexpr int white = 255;
inline constexpr int menuGrey = 127;

// A number laid out by a printf format, in a buffer that fits any int.
class NumberText {
  public:
    NumberText(const char* format, int value);
    std::string_view view() const { return {buffer_, static_cast<std::size_t>(length_)}; }

  private:
    char buffer_[24];
    int length_;
};

void drawText(platform::Canvas& canvas, int x, int y, int grey, std::string_view text);

// The message under the result for a stage whose target was reached: the code that opens the
// next stage, or after the last stage a closing remark.
inline constexpr std::string_view passMessages[9] = {
    "Stage2 Pass 0318", "Stage2 Pass 0427", "Stage3 Pass 2836",
    "Stage4 Pass 6081", "Stage5 Pass 3417", "Stage6 Pass 7265",
    "Stage7 Pass 5902", "Stage8 Pass 9357", closingRemark,
};

inline constexpr std::string_view titleItems[4] = {"Admission", "Option", "NewGame", "Exit"};
inline constexpr std::string_view resultItems[2] = {"Replay", "OtherStage"};

// Every format the game lays numbers out with; numbers add only digits, spaces and '-'.
inline constexpr const char* stageFormat = "Stage %2d";
inline constexpr const char* clearPointFormat = "ClearPoint %5d";
inline constexpr const char* pointFormat = "Point %5d";

} // namespace kueruma::render
