#include "image/gif_movie.hpp"

#include "files/safe_write/safe_write.hpp"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kueruma::image {

using raster::Framebuffer;

namespace {

constexpr int paletteSize = 64; // a power of two with room for the transparent index
constexpr int transparentIndex = gifGreyCount;
constexpr int longestDelayCs = 65535;

const std::array<std::uint8_t, 256>& paletteIndexOfGrey() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int grey = 0; grey < 256; ++grey) {
            int best = 0;
            for (int i = 1; i < gifGreyCount; ++i) {
                if (std::abs(gifGreyOf(i) - grey) < std::abs(gifGreyOf(best) - grey)) best = i;
            }
            t[static_cast<std::size_t>(grey)] = static_cast<std::uint8_t>(best);
        }
        return t;
    }();
    return table;
}

std::int64_t centiseconds(std::int64_t ms) {
    return (ms + 5) / 10;
}

// The smallest rectangle holding every pixel that differs; false when none does.
bool changedArea(const Framebuffer& before, const Framebuffer& after, GifMovie::Area& area) {
    area = {after.width(), after.height(), -1, -1};
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (before.at(x, y) == after.at(x, y)) continue;
            area.left = std::min(area.left, x);
            area.right = std::max(area.right, x);
            area.top = std::min(area.top, y);
            area.bottom = std::max(area.bottom, y);
        }
    }
    return area.right >= 0;
}

} // namespace

std::uint8_t gifGreyOf(int paletteIndex) {
    return static_cast<std::uint8_t>(paletteIndex == 0 ? 0 : 8 * paletteIndex - 1);
}

// The file is written here rather than by giflib, by the rule every written file keeps, and
// every write, the last one at closing too, is checked.
struct GifMovie::File {
    GifFileType* gif = nullptr;
    safe_write::NewFile out;
    bool writeFailed = false;

    static int write(GifFileType* gif, const GifByteType* bytes, int length) {
        File* self = static_cast<File*>(gif->UserData);
        if (std::fwrite(bytes, 1, static_cast<std::size_t>(length), self->out.stream()) !=
            static_cast<std::size_t>(length)) {
            self->writeFailed = true;
            return 0;
        }
        return length;
    }
    // Ends the encoding; false when anything written was lost.
    bool finishGif(int& gifError) {
        const bool encoded = gif == nullptr || EGifCloseFile(gif, &gifError) != GIF_ERROR;
        gif = nullptr;
        return encoded && !writeFailed;
    }
    // Leaves whatever stood at the path as it was.
    void discard() {
        int ignored = 0;
        finishGif(ignored);
        out.abandon();
    }
};

GifMovie::GifMovie() : file_(std::make_unique<File>()) {}

GifMovie::~GifMovie() {
    file_->discard();
}

bool GifMovie::fail(int gifError, std::string& error) {
    const char* reason = file_->writeFailed ? std::strerror(errno) : GifErrorString(gifError);
    error = "cannot write " + path_ + ": " + (reason != nullptr ? reason : "unknown error");
    file_->discard();
    return false;
}

bool GifMovie::open(const std::string& path, int width, int height, std::string& error) {
    path_ = path;
    if (!file_->out.open(path, error)) return false;
    int gifError = 0;
    file_->gif = EGifOpen(file_.get(), File::write, &gifError);
    if (file_->gif == nullptr) return fail(gifError, error);
    EGifSetGifVersion(file_->gif, true);
    std::array<GifColorType, paletteSize> colours{};
    for (int i = 0; i < gifGreyCount; ++i) {
        const GifByteType g = gifGreyOf(i);
        colours[static_cast<std::size_t>(i)] = {g, g, g};
    }
    ColorMapObject* palette = GifMakeMapObject(paletteSize, colours.data());
    const int described = EGifPutScreenDesc(file_->gif, width, height, 8, 0, palette);
    GifFreeMapObject(palette);
    if (described == GIF_ERROR) return fail(file_->gif->Error, error);
    // The NETSCAPE2.0 block: loop for ever.
    static const GifByteType application[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                              'P', 'E', '2', '.', '0'};
    static const GifByteType loopForever[] = {1, 0, 0};
    if (EGifPutExtensionLeader(file_->gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(file_->gif, sizeof application, application) == GIF_ERROR ||
        EGifPutExtensionBlock(file_->gif, sizeof loopForever, loopForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(file_->gif) == GIF_ERROR) {
        return fail(file_->gif->Error, error);
    }
    return true;
}

bool GifMovie::show(const Framebuffer& picture, std::int64_t atMs, std::string& error) {
    if (pending_) {
        // A picture replaced within the same hundredth of a second is never seen.
        if (centiseconds(atMs) > centiseconds(pendingSinceMs_) && !writePending(atMs, error)) {
            return false;
        }
    }
    pending_ = picture;
    pendingSinceMs_ = atMs;
    return true;
}

bool GifMovie::putFrame(const Framebuffer& picture, const Area& area, std::int64_t delayCs,
                        std::string& error) {
    const bool first = !shown_;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = static_cast<int>(delayCs);
    control.TransparentColor = first ? NO_TRANSPARENT_COLOR : transparentIndex;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    const int width = area.right - area.left + 1;
    if (EGifPutExtension(file_->gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
            GIF_ERROR ||
        EGifPutImageDesc(file_->gif, area.left, area.top, width, area.bottom - area.top + 1, false,
                         nullptr) == GIF_ERROR) {
        return fail(file_->gif->Error, error);
    }
    const auto& indexOf = paletteIndexOfGrey();
    std::vector<GifPixelType> row(static_cast<std::size_t>(width));
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            const std::uint8_t grey = picture.at(x, y);
            const GifPixelType index = indexOf[grey];
            const bool unchanged = !first && shown_->at(x, y) == grey;
            // An unchanged pixel continues whichever run it can: longer runs pack smaller.
            const std::size_t i = static_cast<std::size_t>(x - area.left);
            const bool continuesRun = i > 0 && row[i - 1] == index;
            row[i] = unchanged && !continuesRun ? transparentIndex : index;
        }
        if (EGifPutLine(file_->gif, row.data(), width) == GIF_ERROR) {
            return fail(file_->gif->Error, error);
        }
    }
    shown_ = picture;
    return true;
}

bool GifMovie::writePending(std::int64_t untilMs, std::string& error) {
    std::int64_t delay = centiseconds(untilMs) - centiseconds(pendingSinceMs_);
    const Framebuffer& picture = *pending_;
    // Only the part that changed is stored, its unchanged pixels transparent; a picture that
    // changes nothing still holds its time, as one transparent pixel.
    Area area{0, 0, picture.width() - 1, picture.height() - 1};
    if (shown_ && !changedArea(*shown_, picture, area)) area = {};
    if (!putFrame(picture, area, std::min<std::int64_t>(delay, longestDelayCs), error)) {
        return false;
    }
    // A pause longer than one frame's delay can hold goes on in frames that change nothing.
    for (delay -= longestDelayCs; delay > 0; delay -= longestDelayCs) {
        if (!putFrame(picture, {}, std::min<std::int64_t>(delay, longestDelayCs), error)) {
            return false;
        }
    }
    return true;
}

bool GifMovie::close(std::int64_t endMs, std::string& error) {
    if (pending_ && !writePending(std::max(endMs, pendingSinceMs_ + 10), error)) return false;
    pending_.reset();
    int gifError = 0;
    if (!file_->finishGif(gifError)) return fail(gifError, error);
    return file_->out.commit(error);
}

void GifMovie::discard() {
    file_->discard();
}

} // namespace kueruma::image
