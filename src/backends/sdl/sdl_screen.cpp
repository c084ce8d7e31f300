#include "backends/sdl/sdl_screen.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kueruma::sdl {

namespace {

// The picture is compared with what the window shows in squares of this side: the changed
// ones, in runs along each row of squares, are all that is drawn and sent.
constexpr int tileSide = 16;

// Where the picture sits in a window of the given size: the largest whole-number scale that
// fits (at least 1), centred, as SDL's integer-scaled logical size places it.
struct Placement {
    int scale;
    int x;
    int y;
};

Placement place(int windowWidth, int windowHeight, int width, int height) {
    const int scale = std::max(1, std::min(windowWidth / width, windowHeight / height));
    return {scale, (windowWidth - width * scale) / 2, (windowHeight - height * scale) / 2};
}

bool named(const char* name, const char* wanted) {
    return name != nullptr && std::strcmp(name, wanted) == 0;
}

Uint32* surfaceRow(SDL_Surface* surface, int y) {
    return reinterpret_cast<Uint32*>(static_cast<std::uint8_t*>(surface->pixels) +
                                     static_cast<std::ptrdiff_t>(y) * surface->pitch);
}

const std::uint8_t* pictureRow(const raster::Framebuffer& picture, int y) {
    return picture.data() + static_cast<std::ptrdiff_t>(y) * picture.width();
}

// Bit n is set when tile column n of rows [top, bottom) differs from what is shown; what is
// shown is brought up to date.
std::uint64_t takeChangedTiles(const raster::Framebuffer& picture, std::uint8_t* shown, int top,
                               int bottom, int tileWidth) {
    const int width = picture.width();
    std::uint64_t changed = 0;
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* in = pictureRow(picture, y);
        std::uint8_t* was = shown + static_cast<std::ptrdiff_t>(y) * width;
        if (std::memcmp(in, was, static_cast<std::size_t>(width)) == 0) continue;
        for (int x = 0, tile = 0; x < width; x += tileWidth, ++tile) {
            const auto length = static_cast<std::size_t>(std::min(tileWidth, width - x));
            if (std::memcmp(in + x, was + x, length) != 0) changed |= std::uint64_t{1} << tile;
        }
        std::memcpy(was, in, static_cast<std::size_t>(width));
    }
    return changed;
}

// Draws the band into the surface, each grey pixel as a square of the scale's side, and returns
// the part of the window it covers (empty when none of it is inside).
SDL_Rect drawBand(SDL_Surface* surface, const raster::Framebuffer& picture, const Band& band,
                  const Placement& at, const std::array<Uint32, 256>& greyToPixel) {
    const int s = at.scale;
    const SDL_Rect wanted{at.x + band.left * s, at.y + band.top * s, (band.right - band.left) * s,
                          (band.bottom - band.top) * s};
    const SDL_Rect window{0, 0, surface->w, surface->h};
    SDL_Rect visible{};
    if (!SDL_IntersectRect(&wanted, &window, &visible)) return SDL_Rect{};
    const std::size_t rowBytes = static_cast<std::size_t>(visible.w) * sizeof(Uint32);
    const Uint32* previous = nullptr;
    for (int y = visible.y; y < visible.y + visible.h; ++y) {
        Uint32* out = surfaceRow(surface, y);
        if (previous != nullptr && (y - at.y) % s != 0) {
            // The rest of a pixel's square repeats the row above.
            std::memcpy(out + visible.x, previous + visible.x, rowBytes);
        } else {
            const std::uint8_t* in = pictureRow(picture, (y - at.y) / s);
            const int end = visible.x + visible.w;
            for (int x = visible.x; x < end;) {
                const int column = (x - at.x) / s;
                const Uint32 pixel = greyToPixel[in[column]];
                const int squareEnd = std::min(end, at.x + (column + 1) * s);
                for (; x < squareEnd; ++x) out[x] = pixel;
            }
        }
        previous = out;
    }
    return visible;
}

} // namespace

bool Screen::open(SDL_Window* window, int width, int height, std::string& error) {
    close();
    window_ = window;
    width_ = width;
    height_ = height;
    shown_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    lost_ = true;
    // X11 hands out the window's own pixels in shared memory and sends only the rectangles
    // named; SDL would otherwise put a GPU texture in between, costly on a machine without GPU.
    const bool x11 = named(SDL_GetCurrentVideoDriver(), "x11");
    if (x11) SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    // A render driver asked for by name (other than the software one) is honoured.
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool rendererAsked = asked != nullptr && *asked != '\0' && !named(asked, "software");
    if ((!x11 || rendererAsked) && openRenderer(true, error)) return true;
    if (openSurface(error)) return true;
    if (openRenderer(false, error)) return true;
    error = "cannot show a picture in the window: " + error;
    return false;
}

bool Screen::openRenderer(bool acceleratedOnly, std::string& error) {
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    SDL_RendererInfo info{};
    if (renderer_ == nullptr || SDL_GetRendererInfo(renderer_, &info) != 0) {
        error = SDL_GetError();
        dropRenderer();
        return false;
    }
    if (acceleratedOnly && (info.flags & SDL_RENDERER_SOFTWARE) != 0) {
        error = "only a software renderer";
        dropRenderer();
        return false;
    }
    // Whole-number scaling with black bars keeps every pixel square and sharp at any size.
    SDL_RenderSetLogicalSize(renderer_, width_, height_);
    SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 width_, height_);
    if (texture_ == nullptr) {
        error = SDL_GetError();
        dropRenderer();
        return false;
    }
    for (Uint32 g = 0; g < 256; ++g) greyToPixel_[g] = 0xFF000000U | g << 16 | g << 8 | g;
    return true;
}

bool Screen::openSurface(std::string& error) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) {
        error = SDL_GetError();
        return false;
    }
    if (surface->format->BytesPerPixel != sizeof(Uint32)) {
        error = std::string("the window's pixels are ") +
                SDL_GetPixelFormatName(surface->format->format);
        return false;
    }
    for (Uint32 g = 0; g < 256; ++g) {
        greyToPixel_[g] = SDL_MapRGB(surface->format, static_cast<Uint8>(g), static_cast<Uint8>(g),
                                     static_cast<Uint8>(g));
    }
    return true;
}

void Screen::show(const raster::Framebuffer& picture) {
    if (window_ == nullptr) return;
    if (renderer_ != nullptr) {
        showThroughRenderer(picture, collectChanges(picture));
        return;
    }
    // A resized window has a new surface, whose pixels are all to be drawn.
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) {
        lost_ = true;
        return;
    }
    if (surface != surface_ || surface->w != surfaceWidth_ || surface->h != surfaceHeight_) {
        surface_ = surface;
        surfaceWidth_ = surface->w;
        surfaceHeight_ = surface->h;
        lost_ = true;
    }
    showOnSurface(picture, collectChanges(picture));
}

int Screen::collectChanges(const raster::Framebuffer& picture) {
    const int width = picture.width();
    if (lost_) {
        std::memcpy(shown_.data(), picture.data(), shown_.size());
        bands_[0] = Band{0, picture.height(), 0, width};
        return 1;
    }
    const int tileWidth = tileSide * ((width + tileSide * 64 - 1) / (tileSide * 64));
    int count = 0;
    const auto add = [&](const Band& band) {
        Band& last = bands_[static_cast<std::size_t>(count > 0 ? count - 1 : 0)];
        const bool continuesLast =
            last.bottom == band.top && last.left == band.left && last.right == band.right;
        if (count > 0 && (continuesLast || count == maxBands)) {
            last = Band{std::min(last.top, band.top), std::max(last.bottom, band.bottom),
                        std::min(last.left, band.left), std::max(last.right, band.right)};
        } else {
            bands_[static_cast<std::size_t>(count++)] = band;
        }
    };
    for (int top = 0; top < picture.height(); top += tileSide) {
        const int bottom = std::min(picture.height(), top + tileSide);
        std::uint64_t changed = takeChangedTiles(picture, shown_.data(), top, bottom, tileWidth);
        // Each run of changed tiles in this row of tiles is one band.
        while (changed != 0) {
            const int first = std::countr_zero(changed);
            const int end = first + std::countr_one(changed >> first);
            changed &= end < 64 ? ~((std::uint64_t{1} << end) - 1) : 0;
            add(Band{top, bottom, first * tileWidth, std::min(width, end * tileWidth)});
        }
    }
    return count;
}

void Screen::showOnSurface(const raster::Framebuffer& picture, int bandCount) {
    if (bandCount == 0 && !lost_) return;
    const bool whole = lost_;
    if (SDL_MUSTLOCK(surface_) && SDL_LockSurface(surface_) != 0) {
        lost_ = true;
        return;
    }
    if (whole) SDL_FillRect(surface_, nullptr, greyToPixel_[0]);
    const Placement at = place(surface_->w, surface_->h, picture.width(), picture.height());
    std::array<SDL_Rect, maxBands> rects{};
    int rectCount = 0;
    for (int i = 0; i < bandCount; ++i) {
        const SDL_Rect rect =
            drawBand(surface_, picture, bands_[static_cast<std::size_t>(i)], at, greyToPixel_);
        if (!SDL_RectEmpty(&rect)) rects[static_cast<std::size_t>(rectCount++)] = rect;
    }
    if (SDL_MUSTLOCK(surface_)) SDL_UnlockSurface(surface_);
    // A failed update leaves the window unknown: the next show sends it all again.
    lost_ = whole ? SDL_UpdateWindowSurface(window_) != 0
                  : rectCount > 0 &&
                        SDL_UpdateWindowSurfaceRects(window_, rects.data(), rectCount) != 0;
}

void Screen::showThroughRenderer(const raster::Framebuffer& picture, int bandCount) {
    if (bandCount == 0 && !lost_) return;
    bool uploaded = true;
    for (int i = 0; i < bandCount; ++i) {
        const Band& band = bands_[static_cast<std::size_t>(i)];
        const SDL_Rect rect{band.left, band.top, band.right - band.left, band.bottom - band.top};
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, &rect, &pixels, &pitch) != 0) {
            uploaded = false;
            continue;
        }
        for (int y = band.top; y < band.bottom; ++y) {
            const std::uint8_t* in = pictureRow(picture, y);
            auto* out =
                reinterpret_cast<Uint32*>(static_cast<std::uint8_t*>(pixels) +
                                          static_cast<std::ptrdiff_t>(y - band.top) * pitch);
            for (int x = band.left; x < band.right; ++x) out[x - band.left] = greyToPixel_[in[x]];
        }
        SDL_UnlockTexture(texture_);
    }
    // A renderer's back buffer is undefined after a present: every frame is drawn whole.
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    lost_ = !uploaded;
}

void Screen::dropRenderer() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
}

void Screen::close() {
    dropRenderer();
    surface_ = nullptr;
    window_ = nullptr;
}

} // namespace kueruma::sdl
