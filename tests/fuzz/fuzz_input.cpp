#include "fuzz_input.hpp"

#include <array>

namespace kueruma::fuzz {

std::uint64_t Random::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

namespace {

constexpr std::string_view keyLetters = "LURDXZF";

template <std::size_t N>
std::string_view pick(Random& random, const std::array<const char*, N>& a) {
    return a[random.below(N)];
}

std::string spaces(Random& random, bool atLeastOne) {
    std::string s;
    for (std::size_t n = random.below(3) + (atLeastOne ? 1 : 0); n > 0; --n) {
        s += random.chance(70) ? ' ' : '\t';
    }
    return s;
}

std::string goodCount(Random& random) {
    if (random.chance(10)) return random.chance(50) ? "1" : "1000000";
    std::string zeros(random.chance(10) ? random.below(4) : 0, '0');
    return zeros + std::to_string(1 + random.below(random.chance(50) ? 100 : 1'000'000));
}

std::string goodKeys(Random& random) {
    if (random.chance(20)) return "-";
    std::string letters(keyLetters);
    for (std::size_t i = letters.size(); i > 1; --i)
        std::swap(letters[i - 1], letters[random.below(i)]);
    return letters.substr(0, 1 + random.below(letters.size()));
}

std::string randomBytes(Random& random, std::size_t n) {
    std::string s;
    for (; n > 0; --n) s += static_cast<char>(random.below(256));
    return s;
}

std::string goodLine(Random& random) {
    if (random.chance(10)) return spaces(random, false);
    if (random.chance(5)) {
        std::string comment = "#";
        comment += randomBytes(random, random.below(30));
        return comment;
    }
    std::string line = spaces(random, false) + goodCount(random) + spaces(random, true) +
                       goodKeys(random) + spaces(random, false);
    if (random.chance(20)) {
        line += "# ";
        line += pick(random, std::array{"jump", "x", "#"});
    }
    if (random.chance(10)) line += '\r';
    return line;
}

std::string badLine(Random& random) {
    static constexpr std::array counts = {
        "0",   "1000001", "99999999999999999999", "-3",      "+5", "0x10", "1.5",
        "1e3", "",        "\xEF\xBC\x93",         "00000000"};
    static constexpr std::array keys = {"Q",  "r",        "l",        "--",  "-R",
                                        "RR", "LURDXZFL", "\x82\xA0", "X,Z", "LURDXZF?"};
    switch (random.below(9)) {
    case 0:
        return std::string(pick(random, counts)) + " R";
    case 1:
        return goodCount(random) + " " + std::string(pick(random, keys));
    case 2:
        return goodCount(random); // no keys
    case 3:
        return goodCount(random) + " R X"; // a third field
    case 4: {
        std::string line = goodCount(random) + " R";
        line.insert(random.below(line.size() + 1), 1, '\0');
        return line;
    }
    case 5: // just over the longest line, or far over it
        return std::string(random.chance(50) ? 4097 : 10'000, ' ') + "1 R";
    case 6:
        return std::string(1 + random.below(2000), '9') + " R"; // a huge count
    case 7:
        return std::string(1 + random.below(5000), 'R'); // keys without a count
    default:
        return randomBytes(random, 1 + random.below(40));
    }
}

void mutate(Random& random, std::string& text) {
    for (std::size_t n = 1 + random.below(4); n > 0; --n) {
        const std::size_t at = random.below(text.size() + 1);
        switch (random.below(5)) {
        case 0:
            if (at < text.size()) text[at] = static_cast<char>(random.below(256));
            break;
        case 1:
            text.insert(at, 1, static_cast<char>(random.below(256)));
            break;
        case 2:
            if (at < text.size()) text.erase(at, 1 + random.below(8));
            break;
        case 3:
            text.insert(at, 1, random.chance(50) ? '\0' : '\n');
            break;
        default:
            text.resize(at);
            break;
        }
    }
}

} // namespace

std::string randomScript(Random& random) {
    if (random.chance(3)) return "";
    if (random.chance(5)) return randomBytes(random, random.below(300));
    std::string text;
    const std::size_t lines = random.below(random.chance(5) ? 400 : 20);
    for (std::size_t i = 0; i < lines; ++i) {
        text += random.chance(90) ? goodLine(random) : badLine(random);
        if (i + 1 < lines || random.chance(70)) text += '\n';
    }
    if (random.chance(25)) mutate(random, text);
    return text;
}

bool formatCovers(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] != '\n') return false;
    }
    return true;
}

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// One line: false when it breaks the format; a step when it holds one.
bool readLine(std::string_view line, bool& hasStep, script::Step& step) {
    hasStep = false;
    if (line.size() > script::maxLineLength) return false;
    if (line.find('\0') != std::string_view::npos) return false;
    line = line.substr(0, line.find('#'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i])) ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    if (fields.empty()) return true;
    if (fields.size() != 2) return false;
    std::string_view count = fields[0];
    for (char c : count)
        if (c < '0' || c > '9') return false;
    while (count.size() > 1 && count.front() == '0') count.remove_prefix(1);
    if (count.size() > 7) return false;
    const long value = std::stol(std::string(count));
    if (value < 1 || value > script::maxStepCount) return false;
    loop::KeySet keys = 0;
    if (fields[1] != "-") {
        for (char c : fields[1]) {
            const std::size_t bit = keyLetters.find(c);
            if (bit == std::string_view::npos || (keys & (1U << bit))) return false;
            keys = static_cast<loop::KeySet>(keys | (1U << bit));
        }
    }
    step = {static_cast<std::int32_t>(value), keys};
    hasStep = true;
    return true;
}

} // namespace

Meaning readAsTheFormatSays(std::string_view text) {
    Meaning meaning;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        bool hasStep = false;
        script::Step step{};
        if (!readLine(line, hasStep, step)) {
            meaning.badLine = number;
            meaning.steps.clear();
            return meaning;
        }
        if (hasStep) meaning.steps.push_back(step);
    }
    return meaning;
}

} // namespace kueruma::fuzz
