// A canvas that logs every call, for tests of what a paint draws and in what order.
#pragma once

#include "seam/canvas.hpp"

#include <string>
#include <utility>
#include <vector>

namespace kueruma::support {

struct CanvasCall {
    enum Kind {
        CreatePen,
        SelectPen,
        NullBrush,
        DeletePen,
        MoveTo,
        LineTo,
        Ellipse,
        Transparent,
        TextGrey,
        Text
    };
    CanvasCall(Kind k, int a0 = 0, int b0 = 0, int c0 = 0, int d0 = 0, std::string t = {})
        : kind(k), a(a0), b(b0), c(c0), d(d0), text(std::move(t)) {}
    Kind kind;
    int a;
    int b;
    int c;
    int d;
    std::string text;
};

class RecordingCanvas final : public seam::Canvas {
  public:
    explicit RecordingCanvas(seam::ClientRect client = {0, 0, 632, 433}) : client_(client) {}
    seam::ClientRect clientRect() override { return client_; }
    seam::Pen createPen(int width, int grey) override;
    seam::Pen selectPen(seam::Pen pen) override;
    void selectNullBrush() override { calls.push_back({CanvasCall::NullBrush}); }
    void deletePen(seam::Pen pen) override;
    void moveTo(int x, int y) override { calls.push_back({CanvasCall::MoveTo, x, y}); }
    void lineTo(int x, int y) override { calls.push_back({CanvasCall::LineTo, x, y}); }
    void ellipse(int l, int t, int r, int b) override {
        calls.push_back({CanvasCall::Ellipse, l, t, r, b});
    }
    void setTransparentBackground() override { calls.push_back({CanvasCall::Transparent}); }
    void setTextGrey(int grey) override { calls.push_back({CanvasCall::TextGrey, grey}); }
    void textOut(int x, int y, std::string_view text) override {
        calls.push_back({CanvasCall::Text, x, y, 0, 0, std::string(text)});
    }

    // Pens created and not yet deleted.
    int livePens() const { return created_ - deleted_; }
    int pensCreated() const { return created_; }
    // Texts drawn, with their positions and grey levels.
    std::vector<CanvasCall> texts() const;
    // Line segments drawn with a pen of this width and grey: x0, y0, x1, y1 in a, b, c, d.
    std::vector<CanvasCall> segments(int width, int grey) const;

    std::vector<CanvasCall> calls;

  private:
    struct PenInfo {
        int width;
        int grey;
    };
    seam::ClientRect client_;
    std::vector<PenInfo> pens_;
    int created_ = 0;
    int deleted_ = 0;
    seam::Pen selected_ = 0;
};

} // namespace kueruma::support
