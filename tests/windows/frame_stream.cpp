#include "frame_stream.hpp"

#include <cstring>

namespace kueruma::frames {

namespace {

constexpr char magic[8] = {'K', 'F', 'R', 'A', 'M', 'E', 'S', '1'};
constexpr std::uint8_t frameTag = 'F';
constexpr std::uint8_t endTag = 'E';
// The game draws a handful of texts a paint; more means a broken stream.
constexpr std::uint32_t maxTexts = 4096;
constexpr int maxSide = 8192;

} // namespace

bool StreamWriter::put(const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, out_) == size;
}

bool StreamWriter::writeHeader(int width, int height) {
    const std::int32_t size[2] = {width, height};
    return put(magic, sizeof magic) && put(size, sizeof size);
}

bool StreamWriter::writeFrame(const FrameInfo& info, const std::vector<std::uint8_t>& grey) {
    const auto texts = static_cast<std::uint32_t>(info.texts.size());
    const std::uint8_t same = grey == previous_ ? 1 : 0;
    const bool ok = put(&frameTag, 1) && put(&info.run, sizeof info.run) &&
                    put(&info.tick, sizeof info.tick) && put(&info.pause, sizeof info.pause) &&
                    put(&info.calls, sizeof info.calls) && put(&texts, sizeof texts) &&
                    put(info.texts.data(), texts * sizeof(TextBox)) && put(&same, 1) &&
                    (same != 0 || put(grey.data(), grey.size()));
    if (same == 0) previous_ = grey;
    return ok;
}

bool StreamWriter::writeEnd() {
    return put(&endTag, 1) && std::fflush(out_) == 0;
}

bool StreamReader::get(void* data, std::size_t size) {
    return std::fread(data, 1, size, in_) == size;
}

bool StreamReader::readHeader(int& width, int& height, std::string& error) {
    char start[sizeof magic];
    std::int32_t size[2];
    if (!get(start, sizeof start) || std::memcmp(start, magic, sizeof magic) != 0 ||
        !get(size, sizeof size)) {
        error = "the frame stream does not start with its header";
        return false;
    }
    if (size[0] < 1 || size[1] < 1 || size[0] > maxSide || size[1] > maxSide) {
        error = "the frame stream's picture size is out of range";
        return false;
    }
    width = size[0];
    height = size[1];
    pictureSize_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    return true;
}

StreamReader::Result StreamReader::readFrame(FrameInfo& info, std::vector<std::uint8_t>& grey,
                                             bool& samePixels) {
    std::uint8_t tag = 0;
    if (!get(&tag, 1)) return Broken;
    if (tag == endTag) return End;
    std::uint32_t texts = 0;
    if (tag != frameTag || !get(&info.run, sizeof info.run) || !get(&info.tick, sizeof info.tick) ||
        !get(&info.pause, sizeof info.pause) || !get(&info.calls, sizeof info.calls) ||
        !get(&texts, sizeof texts) || texts > maxTexts) {
        return Broken;
    }
    info.texts.resize(texts);
    std::uint8_t same = 0;
    if (!get(info.texts.data(), texts * sizeof(TextBox)) || !get(&same, 1) || same > 1) {
        return Broken;
    }
    samePixels = same == 1;
    if (samePixels) return grey.size() == pictureSize_ ? Frame : Broken;
    grey.resize(pictureSize_);
    return get(grey.data(), grey.size()) ? Frame : Broken;
}

} // namespace kueruma::frames
