#include "host/driver/start.hpp"

#include <cstdio>
#include <optional>

namespace kueruma::driver {

namespace {

// The program's session, when it has one.
std::optional<record::Session> theSession;
record::SessionOptions asked;

} // namespace

void report(const Front& front, const std::string& text) {
    if (front.show != nullptr) {
        front.show(text, true);
        return;
    }
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
}

int begin(int argc, char** argv, const Front& front) {
    cli::CommandLine line = front.listBests != nullptr ? record::desktopCommandLine(front.help)
                                                       : record::sessionCommandLine(front.help);
    if (!line.read(argc, argv)) {
        // Written to the standard streams already; a program without them shows it too.
        if (front.show == nullptr) return line.exitStatus();
        if (!line.printed().empty()) {
            front.show(line.printed(), false);
            return 0;
        }
        report(front, std::string("kueruma: this command line is not understood\n") +
                          record::sessionUsage);
        return line.exitStatus();
    }
    record::SessionOptions options;
    std::string error = record::readSessionOptions(line, options);
    if (!error.empty()) {
        report(front, "kueruma: " + error + "\n" + record::sessionUsage);
        return 2;
    }
    if (options.listBests) return front.listBests();
    options.runKeeper = front.runKeeper;
    if (front.prepare != nullptr) front.prepare(options);
    if (!beginSession(options, error)) {
        report(front, "kueruma: " + error);
        return 2;
    }
    if (!options.runKeeper && !front.notKept.empty()) {
        report(front, "kueruma: " + std::string(front.notKept));
    }
    return -1;
}

int finish(const Front& front, int exitCode) {
    std::string error;
    if (finishSession(error)) return exitCode;
    report(front, "kueruma: " + error);
    return exitCode != 0 ? exitCode : 1;
}

bool beginSession(const record::SessionOptions& options, std::string& error) {
    theSession.reset();
    asked = options;
    const bool needed = !options.recordPath.empty() || !options.playPath.empty() ||
                        !options.playSteps.empty() || options.runKeeper || options.start.stage >= 0;
    if (!needed) return true;
    theSession.emplace();
    if (theSession->begin(options, error)) return true;
    theSession.reset();
    return false;
}

bool finishSession(std::string& error) {
    if (!theSession) return true;
    const bool written = theSession->finish(error);
    theSession.reset();
    return written;
}

void windowCreated(game::PlayState& state, seam::Window* window, const app::RunStart& start) {
    app::startRun(state, window, theSession ? theSession->start() : start);
    if (theSession) theSession->started(state);
}

short keyAnswer(int virtualKey, short live) {
    return theSession ? theSession->keyAnswer(virtualKey, live) : live;
}

bool showingScript() {
    return theSession && theSession->showingScript();
}

bool practising() {
    return asked.practice;
}

const record::SessionOptions& sessionOptions() {
    return asked;
}

void cutSession(std::int64_t ticks, const game::PlayState& state) {
    if (theSession) theSession->cutAt(ticks, state);
}

void tickDone(const game::PlayState& state) {
    if (theSession) theSession->tickDone(state);
}

} // namespace kueruma::driver
