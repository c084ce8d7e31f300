#include "platform/record/recording.hpp"

#include "platform/script/script.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kueruma::record {

std::string Recording::scriptLines(std::int64_t from, std::int64_t to) const {
    return script::lines(std::span(keys_).subspan(static_cast<std::size_t>(from),
                                                  static_cast<std::size_t>(to - from)));
}

bool writeWhole(const std::string& path, const std::string& text, std::string& error) {
    const std::string part = path + ".part";
    auto failed = [&](const std::string& what) {
        error = "cannot write " + path + ": " + what;
        std::remove(part.c_str());
        return false;
    };
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (file == nullptr) return failed(std::strerror(errno));
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) return failed(std::strerror(written ? errno : writeErrno));
    std::error_code ec;
    std::filesystem::rename(part, path, ec);
    if (ec) return failed(ec.message());
    return true;
}

} // namespace kueruma::record
