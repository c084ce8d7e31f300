// Frames of a scripted run, taken the same way whichever canvas draws them: at every pause the
// program makes inside a paint and at the paint's end. Built for Windows (GDI draws) and for
// the host (the raster canvas draws), so the two can be compared frame by frame.
#pragma once

#include "backends/headless/headless.hpp"
#include "files/script/script.hpp"
#include "seam/canvas.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace kueruma::frames {

// One text call and the pixels it changed (an empty box when it changed none).
struct TextBox {
    std::int32_t x;
    std::int32_t y;
    std::int32_t bytes; // its length in Shift-JIS bytes
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// Which frame a picture is, and what drew it.
struct FrameInfo {
    std::int32_t run = 0;    // index of the run among those played
    std::int64_t tick = 0;   // timer ticks delivered before the paint (0: the start-up paint)
    std::int32_t pause = 0;  // 1, 2, ... at the pauses inside the paint; 0 at its end
    std::uint64_t calls = 0; // digest of the paint's canvas calls so far
    std::vector<TextBox> texts;
};

// "run 2 tick 126 pause 3" or "run 2 tick 126 end", for messages and file names.
std::string frameName(const FrameInfo& info);

// A script played from a fresh start, optionally from a stage as its pass code starts it.
struct Run {
    int stage = -1;
    std::string path;
    script::Script script;
};

// Reads "[--stage N] SCRIPT" groups from args[first..] and loads every script. Empty when all
// are good; else what is wrong ("NAME:LINE: ..." for a bad script).
std::string loadRuns(const std::vector<std::string>& args, std::size_t first,
                     std::vector<Run>& runs);

// A paint target that hands on a frame at each pause inside a paint and at the paint's end,
// with the text calls of the paint so far and a digest of its canvas calls.
class FrameTarget : public headless::PaintTarget {
  public:
    FrameTarget(int width, int height) : width_(width), height_(height), log_(*this) {}
    int width() const { return width_; }
    int height() const { return height_; }

    // Boots the program on this target and plays the run; false once frame() has said stop.
    bool play(const Run& run, int runIndex);

    seam::Canvas* beginPaint() final;
    void pauseInPaint() final;
    void endPaint() final;

  protected:
    // The canvas of a new paint, its picture erased to black.
    virtual seam::Canvas& startPicture() = 0;
    virtual void finishPicture() {}
    // Rows [top, bottom) of the picture as it is now, one grey byte a pixel.
    virtual void readGrey(int top, int bottom, std::uint8_t* out) = 0;
    // A frame is ready: the picture is readable. False stops the run.
    virtual bool frame(const FrameInfo& info) = 0;

  private:
    // Passes every call on, adds it to the digest and notes the pixels each text changed.
    class CallLog final : public seam::Canvas {
      public:
        explicit CallLog(FrameTarget& owner) : owner_(owner) {}
        void begin(seam::Canvas& inner, FrameInfo& info);
        seam::ClientRect clientRect() override { return inner_->clientRect(); }
        seam::Pen createPen(int width, int grey) override;
        seam::Pen selectPen(seam::Pen pen) override;
        void selectNullBrush() override;
        void deletePen(seam::Pen pen) override;
        void moveTo(int x, int y) override;
        void lineTo(int x, int y) override;
        void ellipse(int left, int top, int right, int bottom) override;
        void setTransparentBackground() override;
        void setTextGrey(int grey) override;
        void textOut(int x, int y, std::string_view sjis) override;

      private:
        void note(int op, int a = 0, int b = 0, int c = 0, int d = 0);
        FrameTarget& owner_;
        seam::Canvas* inner_ = nullptr;
        FrameInfo* info_ = nullptr;
        std::vector<std::uint8_t> before_;
        std::vector<std::uint8_t> after_;
    };

    void handOn();

    int width_;
    int height_;
    CallLog log_;
    FrameInfo info_;
    bool stopped_ = false;
};

} // namespace kueruma::frames
