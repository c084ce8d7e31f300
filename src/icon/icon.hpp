// The program's icon: the game's own stick figure in mid-stride, grey on black, in a square of
// any size; drawn large with the game's figure and pens, then averaged down, so even a 16-pixel
// icon keeps smooth limbs of a readable width. The icon files and the window's icon both come
// from here.
#pragma once

#include "raster/framebuffer.hpp"

namespace kueruma::icon {

inline constexpr int smallestIcon = 8;
inline constexpr int largestIcon = 1024;

// The icon, `size` pixels square (smallestIcon to largestIcon).
raster::Framebuffer drawIcon(int size);

} // namespace kueruma::icon
