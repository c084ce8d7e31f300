// Passes every call through to another canvas and counts pens created and deleted, so a run
// can check that each paint deletes every pen it made.
#pragma once

#include "seam/canvas.hpp"

namespace kueruma::headless {

class CountingCanvas final : public seam::Canvas {
  public:
    // Passes the calls of the next paint to `inner` (null: the paint has no pixels), counting
    // afresh.
    void attach(seam::Canvas* inner) {
        inner_ = inner;
        created_ = deleted_ = 0;
    }
    bool attached() const { return inner_ != nullptr; }

    seam::ClientRect clientRect() override { return inner_->clientRect(); }
    seam::Pen createPen(int width, int grey) override {
        ++created_;
        return inner_->createPen(width, grey);
    }
    seam::Pen selectPen(seam::Pen pen) override { return inner_->selectPen(pen); }
    void selectNullBrush() override { inner_->selectNullBrush(); }
    void deletePen(seam::Pen pen) override {
        ++deleted_;
        inner_->deletePen(pen);
    }
    void moveTo(int x, int y) override { inner_->moveTo(x, y); }
    void lineTo(int x, int y) override { inner_->lineTo(x, y); }
    void ellipse(int l, int t, int r, int b) override { inner_->ellipse(l, t, r, b); }
    void setTransparentBackground() override { inner_->setTransparentBackground(); }
    void setTextGrey(int grey) override { inner_->setTextGrey(grey); }
    void textOut(int x, int y, std::string_view text) override { inner_->textOut(x, y, text); }

    int created() const { return created_; }
    int deleted() const { return deleted_; }

  private:
    seam::Canvas* inner_ = nullptr;
    int created_ = 0;
    int deleted_ = 0;
};

} // namespace kueruma::headless
