#include "image/png_io.hpp"
#include "files/safe_write/safe_write.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kueruma::image {

using raster::Framebuffer;

bool writeGreyPng(const Framebuffer& picture, const std::string& path, std::string& error) {
    safe_write::NewFile file;
    if (!file.open(path, error, safe_write::Durability::checked)) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width());
    image.height = static_cast<png_uint_32>(picture.height());
    image.format = PNG_FORMAT_GRAY;
    // Frames are written by the thousand: favour speed over the last few percent of size.
    image.flags |= PNG_IMAGE_FLAG_FAST;
    errno = 0;
    if (png_image_write_to_stdio(&image, file.stream(), 0, picture.data(), 0, nullptr)) {
        return file.commit(error);
    }
    error = "cannot write " + path + ": " + image.message;
    if (errno != 0) error += std::string(" (") + std::strerror(errno) + ")";
    return false;
}

bool readGreyPng(const std::string& path, Framebuffer& picture, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = "cannot read " + path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_GRAY;
    Framebuffer result(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!png_image_finish_read(&image, nullptr, result.data(), 0, nullptr)) {
        error = "cannot read " + path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    picture = std::move(result);
    return true;
}

} // namespace kueruma::image
