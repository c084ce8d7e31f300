// Frames as 8-bit grey PNG files, for the runner, the tools and the tests.
#pragma once

#include "raster/framebuffer.hpp"

#include <string>

namespace kueruma::image {

// Writes the picture as an 8-bit grey PNG; false with `error` set when it cannot.
bool writeGreyPng(const raster::Framebuffer& picture, const std::string& path, std::string& error);
// Reads an 8-bit grey PNG (as written above); false with `error` set when it cannot.
bool readGreyPng(const std::string& path, raster::Framebuffer& picture, std::string& error);

} // namespace kueruma::image
