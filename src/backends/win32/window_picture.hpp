// What the window shows, kept in a bitmap of its own: the paints draw into it and it is copied
// to the window at each pause inside a paint and at the paint's end, so the window looks as a
// window drawn into directly would, and a paused game can show its last picture dimmed without
// drawing the game again.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kueruma::win32 {

class WindowPicture {
  public:
    WindowPicture() = default;
    WindowPicture(const WindowPicture&) = delete;
    WindowPicture& operator=(const WindowPicture&) = delete;
    ~WindowPicture();

    // Makes the bitmap the size of `client` (kept when it already is), erased to black; false
    // when Windows cannot give one.
    bool fit(HDC like, const RECT& client);
    // The device context the paints draw into; null before a successful fit.
    HDC dc() const { return dc_; }
    // Copies the picture to `target`.
    void show(HDC target) const;
    // Copies the picture at half its brightness with the pause mark over it, leaving the
    // picture itself as it is.
    void showPaused(HDC target) const;

  private:
    void release();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace kueruma::win32
