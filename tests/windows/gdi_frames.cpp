// kueruma-gdi-frames: plays scripts on the headless runtime with the Windows program's GDI
// canvas drawing into a bitmap of the client area's size, and hands on every frame (each pause
// inside a paint and each paint's end) with its text calls.
//
//   kueruma-gdi-frames --stream RUN...     the frame stream on standard output
//   kueruma-gdi-frames --bmp DIR RUN       DIR/frame-TICK[-pause-N].bmp and DIR/texts.txt
//   RUN: [--stage N] SCRIPT
#include "backends/win32/gdi_canvas.hpp"
#include "frame_stream.hpp"
#include "frame_target.hpp"

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <io.h>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using namespace kueruma;

using seam::clientHeight;
using seam::clientWidth;

constexpr const char* usage = "usage: kueruma-gdi-frames (--stream | --bmp DIR) "
                              "[--stage N] SCRIPT [[--stage N] SCRIPT]...\n";

// Where each frame goes, with its whole picture; false stops the run.
using FrameSink =
    std::function<bool(const frames::FrameInfo& info, const std::vector<std::uint8_t>& grey)>;

// Each paint gets a fresh memory device context over one 32-bit DIB section, as each WM_PAINT
// gets a fresh one from BeginPaint.
class GdiFrames final : public frames::FrameTarget {
  public:
    explicit GdiFrames(FrameSink sink)
        : FrameTarget(clientWidth, clientHeight), sink_(std::move(sink)) {
        BITMAPINFO info{};
        info.bmiHeader = {
            sizeof(BITMAPINFOHEADER), clientWidth, -clientHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        HDC dc = CreateCompatibleDC(nullptr);
        font_.chooseForGame(dc);
        DeleteDC(dc);
    }
    GdiFrames(const GdiFrames&) = delete;
    GdiFrames& operator=(const GdiFrames&) = delete;
    ~GdiFrames() override {
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
    }
    bool ready() const { return bitmap_ != nullptr; }

  private:
    seam::Canvas& startPicture() override {
        dc_ = CreateCompatibleDC(nullptr);
        previous_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, clientWidth, clientHeight, BLACKNESS);
        canvas_.emplace(dc_, RECT{0, 0, clientWidth, clientHeight}, font_);
        return *canvas_;
    }
    void finishPicture() override {
        canvas_.reset();
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    // Every pen the game makes is grey: any one channel is the grey level.
    void readGrey(int top, int bottom, std::uint8_t* out) override {
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits_);
        for (int i = top * clientWidth; i < bottom * clientWidth; ++i) {
            *out++ = static_cast<std::uint8_t>(pixels[i] >> 8);
        }
    }
    bool frame(const frames::FrameInfo& info) override {
        grey_.resize(static_cast<std::size_t>(clientWidth) * clientHeight);
        readGrey(0, clientHeight, grey_.data());
        return sink_(info, grey_);
    }

    FrameSink sink_;
    HBITMAP bitmap_ = nullptr;
    void* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    win32::JapaneseFont font_;
    std::optional<win32::GdiCanvas> canvas_;
    std::vector<std::uint8_t> grey_;
};

// An 8-bit grey BMP, bottom-up, with its 256-entry grey palette.
bool writeGreyBmp(const std::string& path, const std::vector<std::uint8_t>& grey) {
    const std::uint32_t rowBytes = (clientWidth + 3) & ~3u;
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    const std::uint32_t fileSize = offset + rowBytes * clientHeight;
    std::vector<std::uint8_t> file(fileSize, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, fileSize);
    put32(10, offset);
    put32(14, 40);
    put32(18, clientWidth);
    put32(22, clientHeight);
    put32(26, 1 | (8 << 16)); // one plane, 8 bits a pixel
    put32(46, 256);
    for (std::uint32_t i = 0; i < 256; ++i) put32(54 + 4 * i, i * 0x010101u);
    for (int y = 0; y < clientHeight; ++y) {
        const std::uint8_t* row = grey.data() + static_cast<std::size_t>(y) * clientWidth;
        std::copy(row, row + clientWidth,
                  file.begin() + offset + rowBytes * (clientHeight - 1 - y));
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "kueruma-gdi-frames: %s\n%s", message.c_str(), usage);
    return 2;
}

int stream(const std::vector<frames::Run>& runs) {
    // Binary, or the C library would turn each 10 byte into 13 10.
    _setmode(_fileno(stdout), _O_BINARY);
    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    frames::StreamWriter out(stdout);
    GdiFrames target([&](const frames::FrameInfo& info, const std::vector<std::uint8_t>& grey) {
        if (out.writeFrame(info, grey)) return true;
        std::fprintf(stderr, "kueruma-gdi-frames: cannot write the frame stream\n");
        return false;
    });
    if (!target.ready()) return fail("cannot make the bitmap");
    if (!out.writeHeader(clientWidth, clientHeight)) return fail("cannot write the frame stream");
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (!target.play(runs[i], static_cast<int>(i))) return 1;
    }
    return out.writeEnd() ? 0 : fail("cannot write the frame stream");
}

std::string bitmapName(const frames::FrameInfo& info) {
    char name[48];
    if (info.pause > 0) {
        std::snprintf(name, sizeof name, "frame-%06lld-pause-%02d.bmp",
                      static_cast<long long>(info.tick), info.pause);
    } else {
        std::snprintf(name, sizeof name, "frame-%06lld.bmp", static_cast<long long>(info.tick));
    }
    return name;
}

int bitmaps(const std::string& dir, const frames::Run& run) {
    const std::string textsPath = dir + "/texts.txt";
    std::FILE* texts = std::fopen(textsPath.c_str(), "w");
    if (texts == nullptr) return fail("cannot write " + textsPath);
    GdiFrames target([&](const frames::FrameInfo& info, const std::vector<std::uint8_t>& grey) {
        const std::string name = bitmapName(info);
        bool ok = writeGreyBmp(dir + "/" + name, grey);
        for (const frames::TextBox& t : info.texts) {
            ok = ok && std::fprintf(texts, "%s %d %d %d %d %d %d %d\n", name.c_str(), t.x, t.y,
                                    t.bytes, t.left, t.top, t.right, t.bottom) > 0;
        }
        if (!ok)
            std::fprintf(stderr, "kueruma-gdi-frames: cannot write %s in %s\n", name.c_str(),
                         dir.c_str());
        return ok;
    });
    const bool played = target.ready() && target.play(run, 0);
    const bool closed = std::fclose(texts) == 0;
    if (!target.ready()) return fail("cannot make the bitmap");
    if (!closed) return fail("cannot write " + textsPath);
    return played ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return fail("no options given");
    std::size_t first = 1;
    std::string dir;
    if (args[0] == "--bmp") {
        if (args.size() < 2 || args[1].empty()) return fail("--bmp takes a folder");
        dir = args[1];
        first = 2;
    } else if (args[0] != "--stream") {
        return fail("the first option is --stream or --bmp DIR");
    }
    std::vector<frames::Run> runs;
    const std::string problem = frames::loadRuns(args, first, runs);
    if (!problem.empty()) return fail(problem);
    if (dir.empty()) return stream(runs);
    if (runs.size() != 1) return fail("--bmp takes one script");
    return bitmaps(dir, runs[0]);
}
