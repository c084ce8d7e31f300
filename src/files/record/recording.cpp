#include "files/record/recording.hpp"

#include "files/script/script.hpp"

namespace kueruma::record {

std::string Recording::scriptLines(std::int64_t from, std::int64_t to) const {
    return script::lines(std::span(keys_).subspan(static_cast<std::size_t>(from),
                                                  static_cast<std::size_t>(to - from)));
}

} // namespace kueruma::record
