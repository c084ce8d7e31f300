#include "platform/raster/framebuffer.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kueruma::raster {

namespace {

// A new file at `path`. Whatever stood there (a file, a symbolic or hard link) is taken away
// first and never written through, so a frame lands in its folder and nowhere else; O_EXCL
// refuses anything put back in between.
std::FILE* createFresh(const std::string& path, std::string& error) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
    }
    return file;
}

} // namespace

bool writeGreyPng(const Framebuffer& picture, const std::string& path, std::string& error) {
    std::FILE* file = createFresh(path, error);
    if (file == nullptr) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width());
    image.height = static_cast<png_uint_32>(picture.height());
    image.format = PNG_FORMAT_GRAY;
    // Frames are written by the thousand: favour speed over the last few percent of size.
    image.flags |= PNG_IMAGE_FLAG_FAST;
    errno = 0;
    const bool encoded = png_image_write_to_stdio(&image, file, 0, picture.data(), 0, nullptr);
    const int writeErrno = errno;
    // Most of a small picture is still buffered here: only closing shows whether it arrived.
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const int flushErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (encoded && flushed && closed) return true;
    if (!encoded) {
        error = "cannot write " + path + ": " + image.message;
        if (writeErrno != 0) error += std::string(" (") + std::strerror(writeErrno) + ")";
    } else {
        error = "cannot write " + path + ": " + std::strerror(flushed ? errno : flushErrno);
    }
    // A cut-off frame would pass for a picture.
    ::unlink(path.c_str());
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

} // namespace kueruma::raster
