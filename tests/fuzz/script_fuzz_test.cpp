// Replay scripts of every shape, good and broken: the parser reads the good ones as the
// format says and turns down each broken one whole, naming the file and its first bad line in
// a printable message.
#include "fuzz_input.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace kueruma {
namespace {

using fuzz::Random;

constexpr int caseCount = 20'000;

std::string shown(const std::string& text) {
    std::string out;
    for (char c : text.substr(0, 120)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out + (text.size() > 120 ? "..." : "");
}

// "fuzz.txt:LINE: what is wrong", printable and short, with LINE counted from 1.
bool readsAsMessage(const std::string& error, std::size_t& line) {
    const std::string prefix = "fuzz.txt:";
    if (error.rfind(prefix, 0) != 0) return false;
    std::size_t at = prefix.size();
    line = 0;
    while (at < error.size() && error[at] >= '0' && error[at] <= '9' && line < 1'000'000'000) {
        line = line * 10 + static_cast<std::size_t>(error[at++] - '0');
    }
    if (line == 0 || error.compare(at, 2, ": ") != 0) return false;
    const std::string what = error.substr(at + 2);
    if (what.empty() || what.size() > 150) return false;
    for (char c : what) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

TEST(ScriptFuzz, EveryTextIsReadAsTheFormatSaysOrTurnedDownByLine) {
    Random random(20240601);
    int bad = 0;
    int compared = 0;
    for (int i = 0; i < caseCount; ++i) {
        const std::string text = fuzz::randomScript(random);
        const script::Script r = script::parse(text, "fuzz.txt");
        const fuzz::Meaning meant = fuzz::readAsTheFormatSays(text);
        SCOPED_TRACE("case " + std::to_string(i) + ": \"" + shown(text) + "\"");
        if (!r.error.empty()) {
            ++bad;
            std::size_t line = 0;
            ASSERT_TRUE(readsAsMessage(r.error, line)) << shown(r.error);
            ASSERT_TRUE(r.steps.empty()) << "a broken script must run nothing";
            // The first line that breaks the format, not some later one.
            if (fuzz::formatCovers(text)) {
                ASSERT_EQ(line, meant.badLine) << r.error;
            }
        } else if (fuzz::formatCovers(text)) {
            ASSERT_EQ(meant.badLine, 0U) << "the parser let a broken line through";
        }
        if (!fuzz::formatCovers(text)) continue;
        ++compared;
        ASSERT_EQ(r.steps.size(), meant.steps.size());
        for (std::size_t s = 0; s < r.steps.size(); ++s) {
            ASSERT_EQ(r.steps[s].count, meant.steps[s].count) << "step " << s;
            ASSERT_EQ(r.steps[s].keys, meant.steps[s].keys) << "step " << s;
        }
    }
    // Both kinds came up often, or the cases prove little.
    EXPECT_GT(bad, caseCount / 10);
    EXPECT_LT(bad, caseCount * 9 / 10);
    EXPECT_GT(compared, caseCount * 8 / 10);
}

TEST(ScriptFuzz, ExtremeTextsEndInAMessageOrAPlan) {
    struct Case {
        std::string text;
        bool good;
    };
    const Case cases[] = {
        {"", true},
        {std::string(100'000, '\n'), true},
        {std::string(1'000'000, '#'), false}, // one comment line, far too long
        {std::string(4096, ' '), true},
        {std::string(4097, ' '), false},
        {std::string(1, '\0'), false},
        {std::string(3, '\0') + "\n1 R\n", false},
        {"1000000 LURDXZF\n1000000 -", true},
        {std::string(1'000'000, '9') + " R", false},
    };
    for (const Case& c : cases) {
        const auto r = script::parse(c.text, "x.txt");
        EXPECT_EQ(r.error.empty(), c.good) << r.error;
        EXPECT_LT(r.error.size(), 200U);
    }
    // Many good lines make one step each, in order.
    std::string many;
    for (int i = 1; i <= 50'000; ++i) many += std::to_string(i) + (i % 2 ? " R\n" : " -\n");
    const auto r = script::parse(many, "many.txt");
    ASSERT_EQ(r.steps.size(), 50'000U);
    EXPECT_EQ(r.steps.back().count, 50'000);
    EXPECT_EQ(r.steps.back().keys, 0);
}

} // namespace
} // namespace kueruma
