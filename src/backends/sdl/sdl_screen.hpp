// The window's picture: the grey client area at the largest whole-number scale that fits, with
// black bars, sent to the screen only where it changed since it was last shown.
#pragma once

#include "raster/framebuffer.hpp"

#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kueruma::sdl {

// Rows [top, bottom) and columns [left, right) of the client area.
struct Band {
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;
};

class Screen {
  public:
    // Chooses how pictures reach `window`: drawn straight into the window's own pixels (X11, or
    // when the only renderer would be a software one), or through a GPU renderer's texture.
    // False with `error` set when neither works.
    bool open(SDL_Window* window, int width, int height, std::string& error);
    void close();
    // What the window showed is gone (uncovered, resized): the next show sends all of it.
    void invalidate() { lost_ = true; }
    // Brings the window up to date with `picture`; sends nothing when nothing changed.
    void show(const raster::Framebuffer& picture);

  private:
    static constexpr int maxBands = 64;

    bool openRenderer(bool acceleratedOnly, std::string& error);
    void dropRenderer();
    bool openSurface(std::string& error);
    int collectChanges(const raster::Framebuffer& picture);
    void showOnSurface(const raster::Framebuffer& picture, int bandCount);
    void showThroughRenderer(const raster::Framebuffer& picture, int bandCount);

    SDL_Window* window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    // The surface drawn last, to notice when the window has made a new one.
    SDL_Surface* surface_ = nullptr;
    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
    // Each grey level as a pixel of the surface or texture.
    std::array<Uint32, 256> greyToPixel_{};
    // What the window shows now, as grey levels.
    std::vector<std::uint8_t> shown_;
    std::array<Band, maxBands> bands_{};
    bool lost_ = true;
};

} // namespace kueruma::sdl
