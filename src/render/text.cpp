#include "render/text.hpp"

#include <cstdio>

namespace kueruma::render {

NumberText::NumberText(const char* format, int value) : buffer_{}, length_(0) {
    const int n = std::snprintf(buffer_, sizeof buffer_, format, value);
    length_ = n < 0 ? 0 : (n < static_cast<int>(sizeof buffer_) ? n : sizeof buffer_ - 1);
}

void drawText(seam::Canvas& canvas, int x, int y, int grey, std::string_view text) {
    canvas.setTextGrey(grey);
    canvas.textOut(x, y, text);
}

} // namespace kueruma::render
