// kueruma-icons OUTDIR SIZE...: the program's icon, the game's own stick figure in mid-stride,
// grey on black, written as OUTDIR/kueruma-SIZE.png for each size (a square, SIZE pixels).
#include "cli/command_line.hpp"
#include "files/safe_write/safe_write.hpp"
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
    static const std::string details =
        "Draws the icon as OUTDIR/kueruma-SIZE.png for each SIZE, from " +
        std::to_string(smallestIcon) + " to " + std::to_string(largestIcon) + " pixels.\n";
    cli::CommandLine line("kueruma-icons", "usage: kueruma-icons OUTDIR SIZE...\n", details, {});
    if (!line.read(argc, argv)) return line.exitStatus();
    const std::vector<std::string>& operands = line.operands();
    if (operands.size() < 2) return line.fail("give a folder and at least one size");
    // An empty folder name would put the icons at the root of the file system.
    if (operands[0].empty()) return line.fail("the folder name is empty");
    std::vector<int> sizes;
    for (std::size_t i = 1; i < operands.size(); ++i) {
        int size = 0;
        if (!parseSize(operands[i], size)) {
            return line.fail("size \"" + cli::printable(operands[i]) +
                             "\" is not a whole number from " + std::to_string(smallestIcon) +
                             " to " + std::to_string(largestIcon));
        }
        sizes.push_back(size);
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
