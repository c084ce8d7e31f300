// The page's check of a run (the browser build's kueruma-verify, run in a worker by
// verify_worker.js): kueruma-replay --verify's own code on the headless runtime, so a run the
// page calls verified is one the runner verifies too.
#include "files/script/script.hpp"
#include "programs/replay/verify.hpp"

#include <emscripten.h>

#include <string>
#include <string_view>

namespace {

std::string report;
std::string problems;

} // namespace

// Verifies `length` bytes of `text` as the run `name`: the status as --verify's exit status;
// what it found is read with the two calls below until the next check.
extern "C" EMSCRIPTEN_KEEPALIVE int kueruma_verify(const char* text, int length, const char* name) {
    report.clear();
    problems.clear();
    const std::string_view run(text, static_cast<std::size_t>(length));
    return kueruma::replay::verifyScript(kueruma::script::parse(run, name), name, report, problems);
}

// A line a finished stage: "stage N: score S, result screen at tick T, hash H".
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_verifyReport() {
    return report.c_str();
}

// A line for each thing that does not hold, "NAME:LINE: ...".
extern "C" EMSCRIPTEN_KEEPALIVE const char* kueruma_verifyProblems() {
    return problems.c_str();
}
