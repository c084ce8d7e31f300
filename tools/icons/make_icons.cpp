// kueruma-icons OUTDIR SIZE...: the program's icon, the game's own stick figure in mid-stride,
// grey on black, written as OUTDIR/kueruma-SIZE.png for each size (a square, SIZE pixels);
// kueruma-icons --ico FILE SIZE...: all the sizes in one Windows icon file, for the Windows
// program's icon resource.
#include "cli/command_line.hpp"
#include "files/safe_write/safe_write.hpp"
#include "icon/icon.hpp"
#include "image/png_io.hpp"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kueruma;
using icon::largestIcon;
using icon::smallestIcon;
constexpr int largestIcoSize = 256;

bool parseSize(std::string_view text, int& size) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, size);
    return error == std::errc{} && stop == end && size >= smallestIcon && size <= largestIcon;
}

void putLittle(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFFU));
}

// A Windows icon file: a directory of the pictures, then each as an opaque 32-bit bitmap,
// bottom row first, with its all-clear mask (rows of whole 32-bit words). Sizes up to 256.
std::string icoFile(const std::vector<raster::Framebuffer>& pictures) {
    std::string out;
    putLittle(out, 0, 2);
    putLittle(out, 1, 2); // an icon, not a cursor
    putLittle(out, static_cast<std::uint32_t>(pictures.size()), 2);
    std::vector<std::string> images;
    for (const raster::Framebuffer& picture : pictures) {
        const int size = picture.width();
        const int maskRow = (size + 31) / 32 * 4;
        std::string image;
        putLittle(image, 40, 4); // BITMAPINFOHEADER
        putLittle(image, static_cast<std::uint32_t>(size), 4);
        putLittle(image, static_cast<std::uint32_t>(2 * size), 4); // the picture and its mask
        putLittle(image, 1, 2);
        putLittle(image, 32, 2);
        for (int i = 0; i < 6; ++i) putLittle(image, 0, 4);
        for (int y = size - 1; y >= 0; --y) {
            for (int x = 0; x < size; ++x)
                putLittle(image, picture.at(x, y) * 0x010101U | 0xFF000000U, 4);
        }
        image.append(static_cast<std::size_t>(maskRow) * static_cast<std::size_t>(size), '\0');
        images.push_back(std::move(image));
    }
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const int size = pictures[i].width();
        putLittle(out, size == 256 ? 0 : static_cast<std::uint32_t>(size), 1); // 0 means 256
        putLittle(out, size == 256 ? 0 : static_cast<std::uint32_t>(size), 1);
        putLittle(out, 0, 2); // no palette
        putLittle(out, 1, 2);
        putLittle(out, 32, 2);
        putLittle(out, static_cast<std::uint32_t>(images[i].size()), 4);
        putLittle(out, offset, 4);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const std::string& image : images) out += image;
    return out;
}

} // namespace

int main(int argc, char** argv) {
    static const std::string details =
        "Draws the icon as OUTDIR/kueruma-SIZE.png for each SIZE, from " +
        std::to_string(smallestIcon) + " to " + std::to_string(largestIcon) +
        " pixels;\nwith --ico, every SIZE (up to " + std::to_string(largestIcoSize) +
        ") in the one Windows icon file FILE.\n";
    cli::CommandLine line("kueruma-icons",
                          "usage: kueruma-icons OUTDIR SIZE...\n"
                          "       kueruma-icons --ico FILE SIZE...\n",
                          details, {{"--ico", true}});
    if (!line.read(argc, argv)) return line.exitStatus();
    const std::vector<std::string>& operands = line.operands();
    const std::string* ico = line.value("--ico");
    const std::size_t firstSize = ico != nullptr ? 0 : 1;
    if (operands.size() < firstSize + 1) {
        return line.fail(ico != nullptr ? "give at least one size"
                                        : "give a folder and at least one size");
    }
    // An empty name would put the icons at the root of the file system.
    if (ico != nullptr && ico->empty()) return line.fail("the file name is empty");
    if (ico == nullptr && operands[0].empty()) return line.fail("the folder name is empty");
    std::vector<int> sizes;
    for (std::size_t i = firstSize; i < operands.size(); ++i) {
        int size = 0;
        if (!parseSize(operands[i], size)) {
            return line.fail("size \"" + cli::printable(operands[i]) +
                             "\" is not a whole number from " + std::to_string(smallestIcon) +
                             " to " + std::to_string(largestIcon));
        }
        if (ico != nullptr && size > largestIcoSize) {
            return line.fail("a Windows icon holds sizes up to " + std::to_string(largestIcoSize));
        }
        sizes.push_back(size);
    }
    if (ico != nullptr) {
        std::vector<raster::Framebuffer> pictures;
        for (int size : sizes) pictures.push_back(icon::drawIcon(size));
        std::string error;
        if (!safe_write::writeWhole(*ico, icoFile(pictures), error)) {
            std::cerr << "kueruma-icons: " << error << "\n";
            return 1;
        }
        return 0;
    }
    const auto pathOf = [&](int size) {
        return operands[0] + "/kueruma-" + std::to_string(size) + ".png";
    };
    // A folder, FIFO or device where an icon goes is refused before any icon is drawn.
    for (int size : sizes) {
        if (const std::string refused = safe_write::checkTarget(pathOf(size)); !refused.empty()) {
            std::cerr << "kueruma-icons: " << refused << "\n";
            return 2;
        }
    }
    for (int size : sizes) {
        std::string error;
        if (!image::writeGreyPng(icon::drawIcon(size), pathOf(size), error)) {
            std::cerr << "kueruma-icons: " << error << "\n";
            return 1;
        }
    }
    return 0;
}
