#include "programs/replay/verify.hpp"

#include "backends/headless/headless.hpp"
#include "files/record/stage_results.hpp"
#include "files/record/state_hash.hpp"
#include "files/script/run_header.hpp"

#include <cstdio>
#include <vector>

namespace kueruma::replay {

namespace {

using record::Claim;
using record::StageResult;

std::vector<StageResult> playRun(const script::Script& script, const script::RunStart& start) {
    headless::NullPaintTarget pixelless;
    headless::boot(&pixelless, start.stage);
    headless::state().figure.walkCounter = start.walkCount;
    record::StageWatch watch;
    std::vector<StageResult> results;
    watch.observe(headless::state(), 0);
    std::int64_t ticks = 0;
    for (const script::Step& step : script.steps) {
        headless::holdKeys(step.keys);
        for (std::int32_t i = 0; i < step.count; ++i) {
            if (!headless::tick()) return results;
            if (auto result = watch.observe(headless::state(), ++ticks)) results.push_back(*result);
        }
    }
    return results;
}

// Adds to `problems` a line for each claim of `claims` that does not hold against `results`;
// the count of them.
int checkClaims(const std::string& name, const std::vector<Claim>& claims,
                const std::vector<StageResult>& results, std::string& problems) {
    int failures = 0;
    auto fail = [&](const Claim& claim, const std::string& what) {
        problems += name + ":" + std::to_string(claim.line) + ": stage " +
                    std::to_string(claim.stage) + ": " + what + "\n";
        ++failures;
    };
    for (std::size_t i = 0; i < claims.size(); ++i) {
        const Claim& claim = claims[i];
        if (i >= results.size()) {
            fail(claim, "the header claims score " + std::to_string(claim.score) +
                            ", but the keys end before the result screen of stage " +
                            std::to_string(claim.stage));
            continue;
        }
        const StageResult& r = results[i];
        if (r.stage != claim.stage) {
            fail(claim, "the header names it as finished stage " + std::to_string(i + 1) +
                            ", but the keys finish stage " + std::to_string(r.stage) + " there");
        } else if (r.score != claim.score) {
            fail(claim, "the header claims score " + std::to_string(claim.score) +
                            ", the keys give " + std::to_string(r.score));
        } else if (claim.tick >= 0 && claim.tick != r.resultTick) {
            fail(claim, "the header claims the result screen at tick " +
                            std::to_string(claim.tick) + ", the keys bring it at tick " +
                            std::to_string(r.resultTick));
        } else if (claim.hash && *claim.hash != r.hash) {
            fail(claim, "the header claims state hash " + record::hashText(*claim.hash) +
                            ", the keys give " + record::hashText(r.hash));
        }
    }
    return failures;
}

} // namespace

int verifyScript(const script::Script& script, const std::string& name, std::string& report,
                 std::string& problems) {
    script::RunStart start;
    std::string error =
        script.error.empty() ? script::readRunStart(script, name, start) : script.error;
    const record::Claims claims = record::readClaims(script, name);
    if (error.empty()) error = claims.error;
    std::int64_t ticks = 0;
    for (const script::Step& step : script.steps) ticks += step.count;
    if (error.empty() && ticks > maxVerifiedTicks) {
        error = name + ": holds " + std::to_string(ticks) + " ticks; --verify plays at most " +
                std::to_string(maxVerifiedTicks);
    }
    if (!error.empty()) {
        problems += error + "\n";
        return 2;
    }
    const std::vector<StageResult> results = playRun(script, start);
    for (const StageResult& r : results) {
        report += "stage " + std::to_string(r.stage) + ": score " + std::to_string(r.score) +
                  ", result screen at tick " + std::to_string(r.resultTick) + ", hash " +
                  record::hashText(r.hash) + "\n";
    }
    if (claims.scores.empty() && claims.verified.empty()) {
        problems += name + ": its header claims no finished stage\n";
        return 1;
    }
    const int failures = checkClaims(name, claims.scores, results, problems) +
                         checkClaims(name, claims.verified, results, problems);
    if (failures > 0) return 1;
    report += name + ": verified\n";
    return 0;
}

int verifyRun(const std::string& path, std::string& report) {
    const std::string name = path == "-" ? "<stdin>" : path;
    std::string problems;
    const int status = verifyScript(script::load(path), name, report, problems);
    // One line at a time, each named as the runner's.
    for (std::size_t at = 0, end = 0; at < problems.size(); at = end + 1) {
        end = problems.find('\n', at);
        std::fprintf(stderr, "kueruma-replay: %s\n", problems.substr(at, end - at).c_str());
    }
    return status;
}

} // namespace kueruma::replay
