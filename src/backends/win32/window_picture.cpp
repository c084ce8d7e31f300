#include "backends/win32/window_picture.hpp"

#include "raster/framebuffer.hpp"
#include "raster/pause_mark.hpp"

#include <cstddef>
#include <vector>

namespace kueruma::win32 {

namespace {

// A 32-bit picture stored top row first, as the pixels are addressed.
BITMAPINFO topDownInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

WindowPicture::~WindowPicture() {
    release();
}

void WindowPicture::release() {
    if (dc_ != nullptr) {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    pixels_ = nullptr;
    width_ = 0;
    height_ = 0;
}

bool WindowPicture::fit(HDC like, const RECT& client) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return false;
    if (dc_ == nullptr || width != width_ || height != height_) {
        release();
        const BITMAPINFO info = topDownInfo(width, height);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc_ = bitmap_ != nullptr ? CreateCompatibleDC(like) : nullptr;
        if (dc_ == nullptr) {
            release();
            return false;
        }
        previous_ = SelectObject(dc_, bitmap_);
        pixels_ = static_cast<std::uint32_t*>(bits);
        width_ = width;
        height_ = height;
    }
    const RECT all{0, 0, width_, height_};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return true;
}

void WindowPicture::show(HDC target) const {
    if (dc_ != nullptr) BitBlt(target, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
}

void WindowPicture::showPaused(HDC target) const {
    if (dc_ == nullptr) return;
    GdiFlush();
    // The game draws in greys only: one channel holds its picture.
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    raster::Framebuffer game(width_, height_);
    for (std::size_t i = 0; i < count; ++i) {
        game.data()[i] = static_cast<std::uint8_t>(pixels_[i] >> 8 & 0xFFU);
    }
    raster::Framebuffer paused(width_, height_);
    raster::drawPaused(game, paused);
    std::vector<std::uint32_t> shown(count);
    for (std::size_t i = 0; i < count; ++i) shown[i] = paused.data()[i] * 0x010101U;
    const BITMAPINFO info = topDownInfo(width_, height_);
    SetDIBitsToDevice(target, 0, 0, static_cast<DWORD>(width_), static_cast<DWORD>(height_), 0, 0,
                      0, static_cast<UINT>(height_), shown.data(), &info, DIB_RGB_COLORS);
}

} // namespace kueruma::win32
