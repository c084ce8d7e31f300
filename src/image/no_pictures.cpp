// The Windows and browser builds of kueruma-replay write no pictures: they exist to show that
// every front end plays the same game, trace for trace. These stand in for the PNG and GIF
// writers there.
#include "image/gif_movie.hpp"
#include "image/png_io.hpp"

namespace kueruma::image {

using raster::Framebuffer;

namespace {

bool refuse(const std::string& path, std::string& error) {
    error = path + ": this build writes no pictures (the Linux build of kueruma-replay does)";
    return false;
}

} // namespace

bool writeGreyPng(const Framebuffer&, const std::string& path, std::string& error) {
    return refuse(path, error);
}

bool readGreyPng(const std::string& path, Framebuffer&, std::string& error) {
    return refuse(path, error);
}

struct GifMovie::File {};

GifMovie::GifMovie() = default;
GifMovie::~GifMovie() = default;

bool GifMovie::open(const std::string& path, int, int, std::string& error) {
    return refuse(path, error);
}

bool GifMovie::show(const Framebuffer&, std::int64_t, std::string& error) {
    return refuse(path_, error);
}

bool GifMovie::close(std::int64_t, std::string& error) {
    return refuse(path_, error);
}

void GifMovie::discard() {}

} // namespace kueruma::image
