// The frames of the GDI side sent to the comparing side through a pipe: a header with the
// picture size, then each frame's info and its grey pixels (left out when they equal the
// previous frame's), then an end mark. Both ends run on little-endian x86-64.
#pragma once

#include "frame_target.hpp"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kueruma::frames {

class StreamWriter {
  public:
    explicit StreamWriter(std::FILE* out) : out_(out) {}
    bool writeHeader(int width, int height);
    // Sends the frame; `grey` is its whole picture.
    bool writeFrame(const FrameInfo& info, const std::vector<std::uint8_t>& grey);
    bool writeEnd();

  private:
    bool put(const void* data, std::size_t size);
    std::FILE* out_;
    std::vector<std::uint8_t> previous_;
};

class StreamReader {
  public:
    explicit StreamReader(std::FILE* in) : in_(in) {}
    // False with `error` set when the stream does not start with a header.
    bool readHeader(int& width, int& height, std::string& error);
    enum Result { Frame, End, Broken };
    // The next frame into `info` and `grey` (kept as they were when its pixels are unchanged;
    // `samePixels` says so).
    Result readFrame(FrameInfo& info, std::vector<std::uint8_t>& grey, bool& samePixels);

  private:
    bool get(void* data, std::size_t size);
    std::FILE* in_;
    std::size_t pictureSize_ = 0;
};

} // namespace kueruma::frames
