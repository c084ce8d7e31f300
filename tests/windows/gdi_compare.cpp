// kueruma-gdi-compare: plays the same scripts as kueruma-gdi-frames with the raster canvas and
// compares each frame with the GDI frame read from standard input, pixel for pixel, outside the
// boxes where either canvas drew text.
//
//   kueruma-gdi-frames.exe --stream RUN... | kueruma-gdi-compare [--diff DIR] RUN...
//   RUN: [--stage N] SCRIPT
//
// Exit status 0 when every frame agrees, 1 when one differs (the first is described and
// pictured in DIR, which defaults to the working folder), 2 on bad input.
#include "frame_stream.hpp"
#include "frame_target.hpp"
#include "image/png_io.hpp"
#include "raster/framebuffer.hpp"
#include "raster/raster_canvas.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace kueruma;

constexpr const char* usage =
    "usage: kueruma-gdi-frames.exe --stream RUN... | kueruma-gdi-compare [--diff DIR] RUN...\n"
    "RUN: [--stage N] SCRIPT\n";

// How many differing pixels of the first differing frame are listed one by one.
constexpr int listedPixels = 12;
// Context around the differing pixels in the cropped picture, its largest size (differences
// spread wider are shown around the first one) and its largest magnification.
constexpr int cropMargin = 6;
constexpr int maxCrop = 80;
constexpr int maxZoom = 8;

struct Totals {
    long long frames = 0;
    long long pauseFrames = 0;
    long long unchangedFrames = 0; // pixels not sent: the same as the GDI side's previous frame
    long long pixels = 0;          // compared, outside text
    long long textPixels = 0;      // left out as text
    long long differingFrames = 0;
};

struct Box {
    int left;
    int top;
    int right;
    int bottom;
};

class Comparer {
  public:
    Comparer(frames::StreamReader& gdi, int width, int height, std::string diffDir)
        : gdi_(gdi), width_(width), height_(height), diffDir_(std::move(diffDir)),
          gdiPicture_(static_cast<std::size_t>(width) * height),
          mask_(static_cast<std::size_t>(width) * height) {}

    // False when the two sides no longer draw the same frames: comparing further means nothing.
    bool compare(const frames::FrameInfo& raster, const raster::Framebuffer& picture);
    // True when the GDI side's stream ends here, as it must after the last run.
    bool atEnd();
    const Totals& totals() const { return totals_; }

  private:
    void buildMask(const frames::FrameInfo& gdi, const frames::FrameInfo& raster);
    void describe(const frames::FrameInfo& info, const raster::Framebuffer& picture,
                  long long count);
    void writeCrop(const raster::Framebuffer& picture, const Box& box, const std::string& path);

    frames::StreamReader& gdi_;
    int width_;
    int height_;
    std::string diffDir_;
    frames::FrameInfo gdiInfo_;
    std::vector<std::uint8_t> gdiPicture_;
    std::vector<std::uint8_t> mask_; // 1 where a text of either side changed a pixel
    long long maskedCount_ = 0;
    Totals totals_;
};

bool Comparer::compare(const frames::FrameInfo& raster, const raster::Framebuffer& picture) {
    bool same = false;
    const auto got = gdi_.readFrame(gdiInfo_, gdiPicture_, same);
    if (got != frames::StreamReader::Frame) {
        std::fprintf(stderr, "FAIL the GDI frames %s before %s\n",
                     got == frames::StreamReader::End ? "end" : "break off",
                     frames::frameName(raster).c_str());
        return false;
    }
    if (gdiInfo_.run != raster.run || gdiInfo_.tick != raster.tick ||
        gdiInfo_.pause != raster.pause) {
        std::fprintf(stderr, "FAIL the GDI side drew %s where the raster side drew %s\n",
                     frames::frameName(gdiInfo_).c_str(), frames::frameName(raster).c_str());
        return false;
    }
    if (gdiInfo_.calls != raster.calls) {
        std::fprintf(stderr,
                     "FAIL the Windows side made other drawing calls than the host side in %s: "
                     "the two do not play the same run from there on, whatever the canvases "
                     "draw\n",
                     frames::frameName(raster).c_str());
        return false;
    }
    ++totals_.frames;
    if (raster.pause > 0) ++totals_.pauseFrames;
    if (same) ++totals_.unchangedFrames;
    buildMask(gdiInfo_, raster);
    totals_.pixels += static_cast<long long>(mask_.size()) - maskedCount_;
    totals_.textPixels += maskedCount_;
    const std::uint8_t* a = gdiPicture_.data();
    const std::uint8_t* b = picture.data();
    if (std::memcmp(a, b, gdiPicture_.size()) == 0) return true;
    long long count = 0;
    for (std::size_t i = 0; i < gdiPicture_.size(); ++i) count += a[i] != b[i] && mask_[i] == 0;
    if (count == 0) return true;
    if (++totals_.differingFrames == 1) describe(raster, picture, count);
    return true;
}

bool Comparer::atEnd() {
    bool same = false;
    return gdi_.readFrame(gdiInfo_, gdiPicture_, same) == frames::StreamReader::End;
}

void Comparer::buildMask(const frames::FrameInfo& gdi, const frames::FrameInfo& raster) {
    std::fill(mask_.begin(), mask_.end(), 0);
    for (const auto* texts : {&gdi.texts, &raster.texts}) {
        for (const frames::TextBox& t : *texts) {
            const int left = std::clamp(t.left, 0, width_);
            const int right = std::clamp(t.right, left, width_);
            const int top = std::clamp(t.top, 0, height_);
            const int bottom = std::clamp(t.bottom, top, height_);
            for (int y = top; y < bottom; ++y) {
                std::fill_n(mask_.begin() + static_cast<long>(y) * width_ + left, right - left, 1);
            }
        }
    }
    maskedCount_ = std::count(mask_.begin(), mask_.end(), std::uint8_t{1});
}

void Comparer::describe(const frames::FrameInfo& info, const raster::Framebuffer& picture,
                        long long count) {
    std::printf("FAIL %s: %lld pixels outside text differ\n", frames::frameName(info).c_str(),
                count);
    Box box{width_, height_, 0, 0};
    Box near{};
    int listed = 0;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
            if (gdiPicture_[i] == picture.data()[i] || mask_[i] != 0) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
            if (listed == 0)
                near = {x - maxCrop / 2, y - maxCrop / 2, x + maxCrop / 2, y + maxCrop / 2};
            if (listed++ < listedPixels) {
                std::printf("     (%d, %d): GDI %d, raster %d\n", x, y, gdiPicture_[i],
                            picture.data()[i]);
            }
        }
    }
    std::printf("     they lie in x %d..%d, y %d..%d\n", box.left, box.right - 1, box.top,
                box.bottom - 1);
    raster::Framebuffer gdi(width_, height_);
    std::copy(gdiPicture_.begin(), gdiPicture_.end(), gdi.data());
    std::string error;
    const std::string stem = diffDir_ + "/first-difference";
    if (image::writeGreyPng(gdi, stem + "-gdi.png", error) &&
        image::writeGreyPng(picture, stem + "-raster.png", error)) {
        const bool small = box.right - box.left <= maxCrop && box.bottom - box.top <= maxCrop;
        writeCrop(picture, small ? box : near, stem + ".png");
        std::printf("     pictures: %s.png (GDI | raster | differing pixels white), "
                    "%s-gdi.png, %s-raster.png\n",
                    stem.c_str(), stem.c_str(), stem.c_str());
    } else {
        std::printf("     %s\n", error.c_str());
    }
}

// The area of `box` with some context, magnified: the GDI frame, the raster frame and the
// differing pixels in white over a dimmed GDI frame, side by side.
void Comparer::writeCrop(const raster::Framebuffer& picture, const Box& box,
                         const std::string& path) {
    const int left = std::clamp(box.left - cropMargin, 0, width_ - 1);
    const int top = std::clamp(box.top - cropMargin, 0, height_ - 1);
    const int cropWidth = std::clamp(box.right + cropMargin, left + 1, width_) - left;
    const int cropHeight = std::clamp(box.bottom + cropMargin, top + 1, height_) - top;
    const int zoom = std::clamp(256 / std::max(cropWidth, cropHeight), 1, maxZoom);
    constexpr int gap = 4;
    const int panel = cropWidth * zoom + gap;
    raster::Framebuffer out(3 * panel - gap, cropHeight * zoom);
    out.clear(64);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const int which = x / panel;
            if (x % panel >= cropWidth * zoom) continue;
            const std::size_t i =
                static_cast<std::size_t>(top + y / zoom) * width_ + left + (x % panel) / zoom;
            const std::uint8_t g = gdiPicture_[i];
            const std::uint8_t r = picture.data()[i];
            const std::uint8_t differs = g != r && mask_[i] == 0 ? 255 : g / 4;
            out.set(x, y, which == 0 ? g : which == 1 ? r : differs);
        }
    }
    std::string error;
    if (!image::writeGreyPng(out, path, error)) std::printf("     %s\n", error.c_str());
}

class RasterFrames final : public frames::FrameTarget {
  public:
    RasterFrames(Comparer& comparer, int width, int height)
        : FrameTarget(width, height), comparer_(comparer), picture_(width, height),
          canvas_(picture_) {}

  private:
    seam::Canvas& startPicture() override {
        picture_.clear(0);
        canvas_.beginPaint();
        return canvas_;
    }
    void readGrey(int top, int bottom, std::uint8_t* out) override {
        std::memcpy(out, picture_.data() + static_cast<std::size_t>(top) * width(),
                    static_cast<std::size_t>(bottom - top) * width());
    }
    bool frame(const frames::FrameInfo& info) override { return comparer_.compare(info, picture_); }

    Comparer& comparer_;
    raster::Framebuffer picture_;
    raster::RasterCanvas canvas_;
};

int fail(const std::string& message) {
    std::fprintf(stderr, "kueruma-gdi-compare: %s\n%s", message.c_str(), usage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::size_t first = 0;
    std::string diffDir = ".";
    if (!args.empty() && args[0] == "--diff") {
        if (args.size() < 2 || args[1].empty()) return fail("--diff takes a folder");
        diffDir = args[1];
        first = 2;
    }
    std::vector<frames::Run> runs;
    const std::string problem = frames::loadRuns(args, first, runs);
    if (!problem.empty()) return fail(problem);

    frames::StreamReader in(stdin);
    int width = 0;
    int height = 0;
    std::string error;
    if (!in.readHeader(width, height, error)) return fail(error);
    Comparer comparer(in, width, height, diffDir);
    RasterFrames target(comparer, width, height);
    bool matched = true;
    for (std::size_t i = 0; i < runs.size() && matched; ++i) {
        const Totals before = comparer.totals();
        matched = target.play(runs[i], static_cast<int>(i));
        std::printf("run %zu (%s): %lld frames, %lld at pauses inside a paint\n", i,
                    runs[i].path.c_str(), comparer.totals().frames - before.frames,
                    comparer.totals().pauseFrames - before.pauseFrames);
    }
    if (matched && !comparer.atEnd()) {
        std::fprintf(stderr, "FAIL the GDI side drew more frames than the raster side\n");
        matched = false;
    }
    const Totals& t = comparer.totals();
    std::printf("%lld frames compared (%lld at pauses inside a paint, %lld unchanged from the "
                "frame before), %lld pixels outside text (%lld inside left out); %lld frames "
                "differ\n",
                t.frames, t.pauseFrames, t.unchangedFrames, t.pixels, t.textPixels,
                t.differingFrames);
    return matched && t.differingFrames == 0 ? 0 : 1;
}
