// The software picture: an 8-bit grey client area, and writing it out as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kueruma::raster {

class Framebuffer {
  public:
    Framebuffer(int width, int height)
        : width_(width), height_(height),
          pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}
    int width() const { return width_; }
    int height() const { return height_; }
    void clear(std::uint8_t grey = 0) { pixels_.assign(pixels_.size(), grey); }
    std::uint8_t at(int x, int y) const { return pixels_[index(x, y)]; }
    void set(int x, int y, std::uint8_t grey) { pixels_[index(x, y)] = grey; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    const std::uint8_t* data() const { return pixels_.data(); }
    std::uint8_t* data() { return pixels_.data(); }

  private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

} // namespace kueruma::raster
