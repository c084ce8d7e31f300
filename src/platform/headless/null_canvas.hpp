// A canvas that draws no pixel: the paint's logic and side effects run, the pictures don't.
#pragma once

#include "platform/canvas.hpp"

namespace kueruma::headless {

class NullCanvas final : public platform::Canvas {
  public:
    explicit NullCanvas(platform::ClientRect client) : client_(client) {}
    platform::ClientRect clientRect() override { return client_; }
    platform::Pen createPen(int, int) override { return ++lastPen_; }
    platform::Pen selectPen(platform::Pen pen) override {
        const platform::Pen previous = selected_;
        selected_ = pen;
        return previous;
    }
    void selectNullBrush() override {}
    void deletePen(platform::Pen) override {}
    void moveTo(int, int) override {}
    void lineTo(int, int) override {}
    void ellipse(int, int, int, int) override {}
    void setTransparentBackground() override {}
    void setTextGrey(int) override {}
    void textOut(int, int, std::string_view) override {}

  private:
    platform::ClientRect client_;
    platform::Pen lastPen_ = 0;
    platform::Pen selected_ = 0;
};

} // namespace kueruma::headless
