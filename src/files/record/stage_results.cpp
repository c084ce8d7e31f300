#include "files/record/stage_results.hpp"

#include "files/record/state_hash.hpp"

#include <charconv>
#include <regex>

namespace kueruma::record {

std::optional<StageResult> StageWatch::observe(const game::PlayState& state, std::int64_t ticks) {
    const int screen = state.gameState.screen;
    std::optional<StageResult> ended;
    // The stage-intro screen lasts one tick: the stage's run starts with the next one.
    if (screen == game::StageIntro) {
        playing_ = StageResult{};
        playing_.stage = state.gameState.stageIndex;
        playing_.startTick = ticks;
        playing_.walkCount = state.figure.walkCounter;
        inStage_ = true;
    }
    if (screen == game::Result && lastScreen_ != game::Result && inStage_) {
        playing_.score = state.figure.score;
        playing_.resultTick = ticks;
        playing_.hash = stateHash(state);
        ended = playing_;
        inStage_ = false;
    }
    lastScreen_ = screen;
    return ended;
}

void StageWatch::rewound(const game::PlayState& state, const StageResult* ended) {
    if (ended != nullptr) {
        playing_ = *ended;
        inStage_ = true;
    }
    lastScreen_ = state.gameState.screen;
}

std::string verifyLine(const StageResult& result, std::int64_t fromTick) {
    return "# verify: stage " + std::to_string(result.stage) + ", score " +
           std::to_string(result.score) + ", tick " + std::to_string(result.resultTick - fromTick) +
           ", hash " + hashText(result.hash) + "\n";
}

std::string resultLine(const StageResult& result) {
    return "# stage " + std::to_string(result.stage) + ": score " + std::to_string(result.score) +
           " on the result screen at tick " + std::to_string(result.resultTick) + "\n";
}

namespace {

template <class Number> bool readNumber(const std::ssub_match& digits, Number& value) {
    const char* first = &*digits.first;
    const char* last = first + digits.length();
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc{} && end == last;
}

// Reads the stage, score and (when the line has them) tick and hash fields of `match`.
bool readClaim(const std::smatch& match, std::size_t line, Claim& claim) {
    claim.line = line;
    if (!readNumber(match[1], claim.stage) || !readNumber(match[2], claim.score)) return false;
    if (match.size() > 3 && match[3].matched && !readNumber(match[3], claim.tick)) return false;
    if (match.size() > 4 && match[4].matched) {
        std::uint64_t hash = 0;
        if (!readHashText(match[4].str(), hash)) return false;
        claim.hash = hash;
    }
    return true;
}

} // namespace

Claims readClaims(const script::Script& script, std::string_view name) {
    static const std::regex verify(
        R"(# verify: stage (\d+), score (-?\d+), tick (\d+), hash ([0-9a-f]{16}))");
    static const std::regex recorded(
        R"(# stage (\d+): score (-?\d+) on the result screen at tick (\d+))");
    static const std::regex kept(R"(# kueruma [^:]*: stage (\d+), score (-?\d+), played .*)");
    static const std::regex solved(R"(# kueruma-solve (\d+) .*: score (-?\d+))");
    Claims claims;
    for (const script::HeaderLine& line : script.header) {
        std::smatch match;
        Claim claim;
        if (line.text.starts_with("# verify:")) {
            if (!std::regex_match(line.text, match, verify) ||
                !readClaim(match, line.line, claim)) {
                claims.error = std::string(name) + ":" + std::to_string(line.line) +
                               ": a verify line reads '# verify: stage N, score S, tick T, hash "
                               "H' (H: 16 hexadecimal digits)";
                return claims;
            }
            claims.verified.push_back(claim);
        } else if ((std::regex_match(line.text, match, recorded) ||
                    std::regex_match(line.text, match, kept) ||
                    std::regex_match(line.text, match, solved)) &&
                   readClaim(match, line.line, claim)) {
            claims.scores.push_back(claim);
        }
    }
    return claims;
}

} // namespace kueruma::record
