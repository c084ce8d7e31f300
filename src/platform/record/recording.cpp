#include "platform/record/recording.hpp"

#include "platform/headless/script.hpp"

namespace kueruma::record {

std::string Recording::scriptLines(std::int64_t from, std::int64_t to) const {
    std::string out;
    std::int64_t i = from;
    while (i < to) {
        std::int64_t end = i + 1;
        // A run never outgrows what one script line may count.
        while (end < to &&
               keys_[static_cast<std::size_t>(end)] == keys_[static_cast<std::size_t>(i)] &&
               end - i < headless::maxStepCount) {
            ++end;
        }
        out += std::to_string(end - i) + " " +
               headless::keyLetters(keys_[static_cast<std::size_t>(i)]) + "\n";
        i = end;
    }
    return out;
}

const char* programVersion() {
    return KUERUMA_VERSION;
}

} // namespace kueruma::record
