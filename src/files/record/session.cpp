#include "files/record/session.hpp"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace kueruma::record {

namespace {

std::string localTimeText(std::time_t when) {
    char text[32] = "?";
    if (const std::tm* local = std::localtime(&when)) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    }
    return text;
}

KeySet keysOf(const game::InputState& in) {
    KeySet keys = 0;
    if (in.left) keys |= loop::KeyLeft;
    if (in.up) keys |= loop::KeyUp;
    if (in.right) keys |= loop::KeyRight;
    if (in.down) keys |= loop::KeyDown;
    if (in.x) keys |= loop::KeyX;
    if (in.z) keys |= loop::KeyZ;
    return keys;
}

// The runner's options that put a fresh program where this run starts.
std::string replayCommand(int stage, std::int32_t walkCount, const std::string& file) {
    std::string command = "kueruma-replay";
    if (stage >= 0) command += " --stage " + std::to_string(stage);
    if (walkCount != 0) command += " --walk-count " + std::to_string(walkCount);
    // A name that starts with a dash would be read as an option.
    return command + (file.starts_with('-') ? " -- " : " ") + script::shellQuoted(file);
}

} // namespace

const std::string sessionOptionsHelp =
    "  --record FILE  write the keys of every tick as a replay script\n"
    "  --play FILE    show a replay script in the window, then play on\n"
    "  --stage N      with --play: the script starts at stage N (" +
    cli::stageRange() + "), as the runner's does\n";

cli::CommandLine sessionCommandLine(std::string_view details) {
    return cli::CommandLine("kueruma", sessionUsage, details,
                            {{"--record", true}, {"--play", true}, {"--stage", true}});
}

const std::string desktopOptionsHelp =
    sessionOptionsHelp +
    "  --bests        list each stage's best kept run (never pruned)\n"
    "  --practice     hold Backspace to rewind; [ slower (50%, 25%), ] faster;\n"
    "                 . holds the game and steps one tick\n"
    "  --ghost FILE   play a kept run of a stage beside yours, drawn faintly, and show\n"
    "                 your score against it\n";

cli::CommandLine desktopCommandLine(std::string_view details) {
    return cli::CommandLine("kueruma", desktopUsage, details,
                            {{"--record", true},
                             {"--play", true},
                             {"--stage", true},
                             {"--bests", false},
                             {"--practice", false},
                             {"--ghost", true}});
}

std::string readSessionOptions(const cli::CommandLine& line, SessionOptions& options) {
    if (!line.operands().empty()) {
        return "takes no arguments, not '" + cli::printable(line.operands().front()) + "'";
    }
    options.listBests = line.has("--bests");
    if (options.listBests && (line.has("--record") || line.has("--play") || line.has("--stage") ||
                              line.has("--practice") || line.has("--ghost"))) {
        return "--bests lists the kept runs and plays nothing: it takes no other option";
    }
    if (const std::string* v = line.value("--record")) {
        if (v->empty()) return "--record takes a file name";
        // Standard output cannot take back the recording rewritten at every stage's end.
        if (*v == "-") return "--record takes a file name, not standard output ('-')";
        options.recordPath = *v;
    }
    if (const std::string* v = line.value("--play")) {
        if (v->empty()) return "--play takes a file name";
        options.playPath = *v;
    }
    if (const std::string* v = line.value("--ghost")) {
        if (v->empty()) return "--ghost takes a file name";
        options.ghostPath = *v;
    }
    options.practice = line.has("--practice");
    if (options.practice && !options.playPath.empty()) {
        return "--practice plays from the start: it does not go with --play";
    }
    if (const std::string* v = line.value("--stage")) {
        if (std::string problem = cli::readStage("--stage", *v, options.start.stage);
            !problem.empty()) {
            return problem;
        }
        if (options.playPath.empty()) return "--stage goes with --play";
    }
    return {};
}

bool Session::begin(const SessionOptions& options, std::string& error) {
    options_ = options;
    std::error_code ec;
    // By name or through another name for the same file.
    if (!options.recordPath.empty() &&
        (options.recordPath == options.playPath ||
         std::filesystem::equivalent(options.recordPath, options.playPath, ec))) {
        error = "--record would overwrite the script that --play shows";
        return false;
    }
    startedAt_ = localTimeText(std::time(nullptr));
    if (!options.playPath.empty()) {
        script::Script script = script::load(options.playPath);
        if (!script.error.empty()) {
            error = script.error;
            return false;
        }
        if (script.steps.empty()) {
            error = cli::shownName(options.playPath) + ": holds no keys, nothing to show";
            return false;
        }
        feed_ = KeyFeed(std::move(script.steps));
    } else if (!options.playSteps.empty()) {
        feed_ = KeyFeed(options.playSteps);
    }
    if (options.recordPath.empty()) return true;
    error = safe_write::checkTarget(options.recordPath);
    // A new file beside the recording, thrown away at once: the folder can be written.
    safe_write::NewFile probe;
    return error.empty() && probe.open(options.recordPath, error) &&
           recordingLock_.acquire(options.recordPath, error);
}

void Session::started(const game::PlayState& state) {
    feed_.nextTick();
    started_ = true;
    if (active()) observeScreen(state);
}

short Session::keyAnswer(int virtualKey, short live) {
    const short answer = feed_.active() ? feed_.answer(virtualKey) : live;
    if (virtualKey == seam::keyF11) {
        if (answer != 0) gaveUp_ = true;
    } else if (loop::keyBit(virtualKey) != 0) {
        sampled_ = true;
    }
    return answer;
}

void Session::tickDone(const game::PlayState& state) {
    // A tick that sampled nothing (an unknown screen) still counts, as a tick without keys.
    KeySet keys = sampled_ ? keysOf(state.gameState.input) : KeySet{0};
    if (gaveUp_) keys |= loop::KeyF11;
    sampled_ = false;
    gaveUp_ = false;
    feed_.nextTick();
    if (!active()) return;
    recording_.addTick(keys);
    observeScreen(state);
}

void Session::cutAt(std::int64_t ticks, const game::PlayState& state) {
    if (!active() || ticks >= recording_.ticks()) return;
    ++cuts_;
    recording_.cutAt(ticks);
    const StageResult* reopened = nullptr;
    StageResult last;
    while (!results_.empty() && results_.back().resultTick > ticks) {
        last = results_.back();
        reopened = &last;
        results_.pop_back();
    }
    stageWatch_.rewound(state, reopened);
}

void Session::observeScreen(const game::PlayState& state) {
    if (const std::optional<StageResult> result = stageWatch_.observe(state, recording_.ticks())) {
        stageEnded(*result);
    }
}

void Session::stageEnded(const StageResult& result) {
    results_.push_back(result);
    // The recording is written before anything is said: a warning that cannot be shown (a
    // closed terminal) must not cost it.
    if (!options_.recordPath.empty()) {
        std::string error;
        if (writeRecording(error)) {
            recordingWarned_ = false;
        } else if (!recordingWarned_) {
            std::fprintf(stderr, "kueruma: %s (the game goes on)\n", error.c_str());
            recordingWarned_ = true;
        }
    }
    if (options_.runKeeper) keepStageRun(result);
}

void Session::keepStageRun(const StageResult& result) {
    const std::time_t now = std::time(nullptr);
    const std::string name = runFileName(now, result.stage, result.score);
    const std::int64_t ticks = result.resultTick - result.startTick;
    std::string text = "# kueruma " + std::string(cli::programVersion()) + ": stage " +
                       std::to_string(result.stage) + ", score " + std::to_string(result.score) +
                       ", played " + localTimeText(now) + "\n";
    text += script::commentLine("replay: " + replayCommand(result.stage, result.walkCount, name));
    text += "# " + std::to_string(ticks) + " ticks, from the stage's intro to its result\n";
    text += practiceLine();
    text += verifyLine(result, result.startTick);
    text += recording_.scriptLines(result.startTick, result.resultTick);
    options_.runKeeper(name, text);
}

std::string Session::practiceLine() const {
    if (!options_.practice) return {};
    return "# practice: the keys of the timeline finally played (" + std::to_string(cuts_) +
           " ticks rewound)\n";
}

bool Session::writeRecording(std::string& error) {
    std::string text = "# kueruma " + std::string(cli::programVersion()) +
                       ": a session recorded from start-up on " + startedAt_ + "\n";
    if (!options_.playPath.empty()) {
        text +=
            script::commentLine("it began by showing " + script::shellQuoted(options_.playPath));
    }
    text += script::commentLine("replay: " +
                                replayCommand(options_.start.stage, 0, options_.recordPath));
    text += "# " + std::to_string(recording_.ticks()) + " ticks\n";
    text += practiceLine();
    for (const StageResult& r : results_) text += resultLine(r) + verifyLine(r, 0);
    text += recording_.scriptLines(0, recording_.ticks());
    return recordingLock_.rewrite(text, error);
}

bool Session::finish(std::string& error) {
    if (finished_) return true;
    finished_ = true;
    const bool written = !started_ || options_.recordPath.empty() || writeRecording(error);
    recordingLock_.release();
    return written;
}

} // namespace kueruma::record
