// kueruma-icons OUTDIR SIZE...: the program's icon, the game's own stick figure in mid-stride,
// grey on black, written as OUTDIR/kueruma-SIZE.png for each size (a square, SIZE pixels).
#include "icon/icon.hpp"
#include "image/png_io.hpp"

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kueruma;
using icon::largestIcon;
using icon::smallestIcon;

bool parseSize(std::string_view text, int& size) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, size);
    return error == std::errc{} && stop == end && size >= smallestIcon && size <= largestIcon;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: kueruma-icons OUTDIR SIZE...\n";
        return 2;
    }
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        int size = 0;
        if (!parseSize(argv[i], size)) {
            std::cerr << "kueruma-icons: size \"" << argv[i] << "\" is not a whole number from "
                      << smallestIcon << " to " << largestIcon << "\n";
            return 2;
        }
        sizes.push_back(size);
    }
    for (int size : sizes) {
        const std::string path = std::string(argv[1]) + "/kueruma-" + std::to_string(size) + ".png";
        std::string error;
        if (!image::writeGreyPng(icon::drawIcon(size), path, error)) {
            std::cerr << "kueruma-icons: " << error << "\n";
            return 1;
        }
    }
    return 0;
}
