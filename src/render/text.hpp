// The game's texts: the Shift-JIS strings it draws and safe number formatting.
#pragma once

#include "seam/canvas.hpp"

#include <string_view>

namespace kueruma::render {

// "クエルマー"
inline constexpr std::string_view titleText = "\x83\x4E\x83\x47\x83\x8B\x83\x7D\x81\x5B";

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

void drawText(seam::Canvas& canvas, int x, int y, int grey, std::string_view text);

// Every format the game lays numbers out with; numbers add only digits, spaces and '-'.
inline constexpr const char* stageFormat = "Stage %2d";
inline constexpr const char* clearPointFormat = "ClearPoint %5d";
inline constexpr const char* pointFormat = "Point %5d";

} // namespace kueruma::render
