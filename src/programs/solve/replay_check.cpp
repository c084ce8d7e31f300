#include "replay_check.hpp"

#include "programs/replay/trace.hpp"

#include <cstdio>
#include <sstream>

namespace kueruma::solver {

int stageOfReplay(std::string_view fileName) {
    constexpr std::string_view prefix = "stage-";
    constexpr std::string_view suffix = ".txt";
    if (fileName.size() != prefix.size() + 1 + suffix.size()) return -1;
    if (fileName.substr(0, prefix.size()) != prefix) return -1;
    if (fileName.substr(prefix.size() + 1) != suffix) return -1;
    const char digit = fileName[prefix.size()];
    return digit >= '0' && digit <= '8' ? digit - '0' : -1;
}

PlayedReplay playReplay(int stage, const std::vector<script::Step>& steps,
                        headless::PaintTarget& target) {
    PlayedReplay played;
    headless::boot(&target, stage);
    std::string line;
    for (const script::Step& step : steps) {
        headless::holdKeys(step.keys);
        for (std::int32_t i = 0; i < step.count && !headless::quitPosted(); ++i) {
            if (!headless::tick()) break;
            ++played.ticks;
            line.clear();
            replay::appendTraceLine(line, played.ticks, headless::lastReport());
            if (!line.empty() && line.back() == '\n') line.pop_back();
            played.trace.push_back(line);
        }
    }
    static_cast<Outcome&>(played) = currentOutcome(played.ticks);
    return played;
}

std::uint64_t fnv1a(std::string_view text, std::uint64_t hash) {
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string summaryLine(std::string_view name, const PlayedReplay& played) {
    std::uint64_t hash = fnv1a("");
    for (const std::string& line : played.trace) hash = fnv1a("\n", fnv1a(line, hash));
    char text[256];
    std::snprintf(text, sizeof text,
                  "%.*s score=%d health=%d bestCombo=%d activeBlocks=%d ticks=%lld trace=%016llx",
                  static_cast<int>(name.size()), name.data(), played.score, played.health,
                  played.bestCombo, played.activeBlocks, static_cast<long long>(played.ticks),
                  static_cast<unsigned long long>(hash));
    return text;
}

std::vector<std::pair<std::string, std::string>> traceFields(std::string_view line) {
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t i = 1; // past '{'
    while (i < line.size() && line[i] == '"') {
        const std::size_t nameEnd = line.find('"', i + 1);
        if (nameEnd == std::string_view::npos) break;
        std::string name(line.substr(i + 1, nameEnd - i - 1));
        std::size_t j = nameEnd + 2; // past '":'
        const std::size_t start = j;
        int depth = 0;
        bool quoted = false;
        for (; j < line.size(); ++j) {
            const char c = line[j];
            if (quoted) {
                if (c == '"') quoted = false;
            } else if (c == '"') {
                quoted = true;
            } else if (c == '[' || c == '{') {
                ++depth;
            } else if (c == ']' || c == '}') {
                if (depth == 0) break;
                --depth;
            } else if (c == ',' && depth == 0) {
                break;
            }
        }
        fields.emplace_back(std::move(name), std::string(line.substr(start, j - start)));
        i = j + 1;
    }
    return fields;
}

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

std::string digestOf(const std::string& line) {
    std::string digest;
    for (const auto& field : traceFields(line)) digest += hexDigits[fnv1a(field.second) & 15];
    return digest;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

std::string fieldDigests(const PlayedReplay& played) {
    std::string text = "#";
    if (!played.trace.empty()) {
        for (const auto& field : traceFields(played.trace.front())) text += " " + field.first;
    }
    text += "\n";
    for (const std::string& line : played.trace) text += digestOf(line) + "\n";
    return text;
}

std::optional<Divergence> firstDivergence(std::string_view recordedDigests,
                                          const PlayedReplay& played) {
    const std::vector<std::string> recorded = splitLines(recordedDigests);
    std::vector<std::string> names;
    if (!recorded.empty()) {
        std::istringstream header(recorded.front().substr(1));
        for (std::string name; header >> name;) names.push_back(name);
    }
    const std::size_t recordedTicks = recorded.empty() ? 0 : recorded.size() - 1;
    const std::size_t ticks = std::max(recordedTicks, played.trace.size());
    for (std::size_t t = 0; t < ticks; ++t) {
        Divergence d;
        d.tick = static_cast<std::int64_t>(t) + 1;
        if (t >= recordedTicks || t >= played.trace.size()) {
            d.fields.push_back(t >= recordedTicks ? "(a tick the recording does not have)"
                                                  : "(a tick the replay no longer plays)");
            return d;
        }
        const std::string& want = recorded[t + 1];
        const std::string have = digestOf(played.trace[t]);
        if (want == have) continue;
        const auto fields = traceFields(played.trace[t]);
        for (std::size_t k = 0; k < std::max(want.size(), have.size()); ++k) {
            if (k < want.size() && k < have.size() && want[k] == have[k]) continue;
            d.fields.push_back(k < names.size()    ? names[k]
                               : k < fields.size() ? fields[k].first
                                                   : "field " + std::to_string(k));
        }
        return d;
    }
    return std::nullopt;
}

} // namespace kueruma::solver
