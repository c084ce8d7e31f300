// Seeded script texts for the mutation tests, good and bad, and what a script of the replay
// format means, written out again independently of the runner's parser.
#pragma once

#include "files/script/script.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::fuzz {

// splitmix64: small, fast and the same on every machine.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    std::size_t below(std::size_t n) { return n == 0 ? 0 : next() % n; }
    bool chance(int percent) { return static_cast<int>(below(100)) < percent; }

  private:
    std::uint64_t state_;
};

// A script text: mostly well-formed lines with some broken ones, now and then mutated byte by
// byte, and sometimes nothing but random bytes.
std::string randomScript(Random& random);

// What the format says a text means. `badLine` is the first line that breaks it (1-based), 0
// when the text is good.
struct Meaning {
    std::size_t badLine = 0;
    std::vector<script::Step> steps;
};
Meaning readAsTheFormatSays(std::string_view text);

// Whether the reading above applies: a carriage return anywhere but at a line's end is a
// corner the format leaves open.
bool formatCovers(std::string_view text);

} // namespace kueruma::fuzz
