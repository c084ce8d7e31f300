// kueruma-replay: runs the real program headless on a virtual clock from a key script.
#include "backends/headless/headless.hpp"
#include "backends/headless/paint_targets.hpp"
#include "cli/command_line.hpp"
#include "files/safe_write/safe_write.hpp"
#include "files/script/script.hpp"
#include "host/driver/ghost.hpp"
#include "image/png_io.hpp"
#include "programs/replay/gif_run.hpp"
#include "programs/replay/stage_dump.hpp"
#include "programs/replay/trace.hpp"
#include "programs/replay/verify.hpp"
#include "raster/framebuffer.hpp"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace kueruma;

constexpr const char* program = "kueruma-replay";
constexpr const char* usage =
    "usage: kueruma-replay [--stage N [--walk-count N]] [--client WxH] [--trace] [--png DIR]\n"
    "                      [--gif FILE [--from T] [--to T]] [--reduced-flashing]\n"
    "                      [--ghost FILE] [SCRIPT | -]\n"
    "       kueruma-replay --verify SCRIPT\n"
    "       kueruma-replay --dump-stages\n";
const std::string details =
    "Plays SCRIPT (or standard input, '-') headless. Each line holds keys through some ticks:\n"
    "'COUNT KEYS', KEYS being '-' or letters from L U R D X Z F.\n"
    "  --stage N      start stage N (" +
    cli::stageRange() +
    ") first\n"
    "  --walk-count N with --stage: the figure's walk cycle starts at N, as in a stage\n"
    "                 played after another (recorded runs name it)\n"
    "  --client WxH   the client area's size (default 632x433)\n"
    "  --trace        print one JSON line per tick\n"
    "  --png DIR      write each paint as DIR/frame-NNNNNN.png\n"
    "  --gif FILE     write the run as an animated GIF, each paint shown as long as the\n"
    "                 program's clock keeps it; --from T and --to T keep ticks T to T\n"
    "  --reduced-flashing  draw the hit flash and the clear animation dimmed, as the\n"
    "                 setting reduced_flashing does (the run itself is the same)\n"
    "  --ghost FILE   play a run of the same stage beside SCRIPT's, its figure drawn\n"
    "                 faintly in the pictures (the trace stays SCRIPT's)\n"
    "  --verify       play SCRIPT from where its header says and check the score, result\n"
    "                 tick and state hash it claims for each finished stage (exit status 1\n"
    "                 when one differs)\n"
    "  --dump-stages  print the nine stages as JSON\n";

struct Options {
    int stage = -1;
    std::int32_t walkCount = 0;
    int width = seam::clientWidth;
    int height = seam::clientHeight;
    bool trace = false;
    std::string pngDir;
    std::string gifPath;
    long long gifFrom = 0;
    long long gifTo = replay::GifRun::lastTick;
    bool reducedFlashing = false;
    std::string ghostPath;
    bool dumpStages = false;
    bool verify = false;
    std::string script;
    bool hasScript = false;
};

bool parseClient(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    long long wv = 0;
    long long hv = 0;
    if (!cli::parseWholeNumber(std::string_view(text).substr(0, x), 8192, wv) ||
        !cli::parseWholeNumber(std::string_view(text).substr(x + 1), 8192, hv)) {
        return false;
    }
    if (wv < 1 || hv < 1) return false;
    width = static_cast<int>(wv);
    height = static_cast<int>(hv);
    return true;
}

std::string checkPngFolder(const std::string& dir) {
    if (dir.empty()) return "--png takes a folder";
    std::error_code ec;
    const auto status = std::filesystem::status(dir, ec);
    const std::string shown = cli::shownName(dir);
    if (status.type() == std::filesystem::file_type::not_found) {
        return "--png folder '" + shown + "' does not exist";
    }
    // A loop of links or a folder that cannot be searched: the system says which.
    if (ec) return "--png folder '" + shown + "': " + ec.message();
    if (!std::filesystem::is_directory(status)) return "--png '" + shown + "' is not a folder";
    return {};
}

// A FIFO, device or folder at a frame's name is refused before the run, as every target is.
std::string checkFrameNames(const std::string& dir) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("frame-") || !name.ends_with(".png")) continue;
        std::string refused = safe_write::checkTarget(entry.path().string());
        if (!refused.empty()) return refused;
    }
    return {};
}

// Empty when the options are good; otherwise what is wrong.
std::string readOptions(const cli::CommandLine& line, Options& o) {
    o.dumpStages = line.has("--dump-stages");
    if (o.dumpStages) {
        const bool alone = line.operands().empty() && !line.has("--stage") &&
                           !line.has("--walk-count") && !line.has("--client") &&
                           !line.has("--trace") && !line.has("--png") && !line.has("--gif") &&
                           !line.has("--reduced-flashing") && !line.has("--ghost");
        return alone ? "" : "--dump-stages takes no script and no other option";
    }
    o.verify = line.has("--verify");
    if (o.verify) {
        const bool alone = line.operands().size() == 1 && !line.has("--stage") &&
                           !line.has("--walk-count") && !line.has("--client") &&
                           !line.has("--trace") && !line.has("--png") && !line.has("--gif") &&
                           !line.has("--reduced-flashing") && !line.has("--ghost");
        if (!alone)
            return "--verify takes one script and no other option (its header says where it "
                   "starts)";
        o.script = line.operands().front();
        return {};
    }
    if (std::string problem = cli::readRunStart(line, o.stage, o.walkCount); !problem.empty()) {
        return problem;
    }
    if (const std::string* v = line.value("--client")) {
        if (!parseClient(*v, o.width, o.height)) {
            return "--client takes WIDTHxHEIGHT, each from 1 to 8192";
        }
        // Only pictures have a size: a trace is the same at any.
        if (!line.has("--png") && !line.has("--gif")) return "--client goes with --png or --gif";
    }
    o.trace = line.has("--trace");
    o.reducedFlashing = line.has("--reduced-flashing");
    // Only pictures are drawn otherwise: a trace is the same either way.
    if (o.reducedFlashing && !line.has("--png") && !line.has("--gif")) {
        return "--reduced-flashing goes with --png or --gif";
    }
    if (const std::string* v = line.value("--ghost")) {
        if (v->empty()) return "--ghost takes a file name";
        o.ghostPath = *v;
    }
    if (const std::string* v = line.value("--png")) {
        const std::string problem = checkPngFolder(*v);
        if (!problem.empty()) return problem;
        o.pngDir = *v;
    }
    if (const std::string* v = line.value("--gif")) {
        if (v->empty()) return "--gif takes a file name";
        if (*v == "-" && o.trace) return "--gif - and --trace would both write to standard output";
        o.gifPath = *v;
    }
    for (const auto& [name, tick] :
         {std::pair{"--from", &o.gifFrom}, std::pair{"--to", &o.gifTo}}) {
        if (!line.has(name)) continue;
        if (o.gifPath.empty()) return std::string(name) + " cuts the --gif movie: give --gif FILE";
        if (std::string problem = line.wholeNumber(name, 0, replay::GifRun::lastTick / 10, *tick);
            !problem.empty()) {
            return problem;
        }
    }
    if (o.gifFrom > o.gifTo) return "--from is after --to";
    if (line.operands().size() > 1) return "only one script may be given";
    if (line.operands().size() == 1) {
        o.script = line.operands().front();
        o.hasScript = true;
    }
    return {};
}

int cannotWrite(const std::string& error) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
}

bool writeFrame(const headless::RasterPaintTarget& target, const std::string& dir,
                std::int64_t tick) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(tick));
    std::string error;
    if (!image::writeGreyPng(target.picture(), dir + name, error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return false;
    }
    return true;
}

bool writeOut(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size()) return true;
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program,
                 std::strerror(errno));
    return false;
}

// 0 when everything written to standard output arrived, else 1 with a message.
int finishOutput() {
    std::string error;
    if (cli::closeStandardOutput(error)) return 0;
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program, error.c_str());
    return 1;
}

// Output that behaves the same on every system, and nothing half written when a signal stops
// the run.
void guardOutput() {
#ifdef _WIN32
    // Trace lines end in "\n" alone, as on every other system.
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A reader that stops early (`| head`) is a lost write, reported like a full disk.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // Stopped by a signal, the run leaves no half-written frame or movie behind.
    safe_write::removeNewFilesOnSignals();
}

// Says in one line why a file the options name cannot be written; false when all can be.
bool targetsRefused(const Options& options) {
    std::string refused = safe_write::checkTarget(options.gifPath);
    if (refused.empty() && !options.pngDir.empty()) refused = checkFrameNames(options.pngDir);
    if (refused.empty()) return false;
    std::fprintf(stderr, "kueruma-replay: %s\n", refused.c_str());
    return true;
}

// --dump-stages and --verify: a report on standard output, and the exit status.
int writeReport(const Options& options) {
    if (options.dumpStages) {
        if (!writeOut(replay::stagesJson())) return 1;
        return finishOutput();
    }
    std::string report;
    const int status = replay::verifyRun(options.script, report);
    if (!writeOut(report)) return 1;
    return finishOutput() != 0 ? 1 : status;
}

// One run of the program on the virtual clock, and what it writes as it goes: the trace, the
// frames and the movie. A write that fails has said why, and ends the run with status 1.
class Run {
  public:
    explicit Run(const Options& options) : options_(options) {
        if (!options.pngDir.empty() || !options.gifPath.empty()) {
            raster_ = std::make_unique<headless::RasterPaintTarget>(options.width, options.height);
            target_ = raster_.get();
        } else {
            pixelless_ = std::make_unique<headless::NullPaintTarget>();
            target_ = pixelless_.get();
        }
    }

    // Plays `script` from a fresh start; the program's exit status.
    int play(const script::Script& script) {
        if (!start()) return 1;
        std::int64_t tick = 0;
        for (const script::Step& step : script.steps) {
            headless::holdKeys(step.keys);
            for (std::int32_t i = 0; i < step.count; ++i) {
                if (!headless::tick()) break;
                ++tick;
                const headless::TickReport& report = headless::lastReport();
                if (!written(tick, report)) return 1;
                if (report.quit || movieDone(tick)) break;
            }
            if (headless::quitPosted() || movieDone(tick)) break;
        }
        if (gif_ && !gif_->close(gifError_)) return cannotWrite(gifError_);
        if (finishOutput() != 0) return 1;
        return headless::quitPosted() ? headless::exitCode() : 0;
    }

  private:
    // Opens the movie, boots the program and writes its first picture.
    bool start() {
        if (!options_.gifPath.empty()) {
            gif_ = std::make_unique<replay::GifRun>(raster_->picture(), options_.gifFrom,
                                                    options_.gifTo);
            if (!gif_->open(options_.gifPath, gifError_)) return movieFailed();
        }
        headless::setPaintOptions({.reducedFlashing = options_.reducedFlashing});
        headless::boot(target_, {options_.stage, options_.walkCount});
        if (!options_.pngDir.empty() && !writeFrame(*raster_, options_.pngDir, 0)) return false;
        if (gif_ && !gif_->afterTick(0, headless::bootReport(), gifError_)) {
            return movieFailed();
        }
        return true;
    }

    // Writes what tick `tick` shows: its trace line, its frame and its place in the movie.
    bool written(std::int64_t tick, const headless::TickReport& report) {
        if (options_.trace) {
            traceLine_.clear();
            replay::appendTraceLine(traceLine_, tick, report);
            if (!writeOut(traceLine_)) return false;
        }
        if (!options_.pngDir.empty() && report.painted &&
            !writeFrame(*raster_, options_.pngDir, tick)) {
            return false;
        }
        if (gif_ && !gif_->afterTick(tick, report, gifError_)) return movieFailed();
        return true;
    }

    // Says why the movie could not be written.
    bool movieFailed() const {
        cannotWrite(gifError_);
        return false;
    }

    bool movieDone(std::int64_t tick) const { return gif_ && gif_->done(tick); }

    const Options& options_;
    std::unique_ptr<headless::RasterPaintTarget> raster_;
    std::unique_ptr<headless::NullPaintTarget> pixelless_;
    headless::PaintTarget* target_ = nullptr;
    std::unique_ptr<replay::GifRun> gif_;
    std::string gifError_;
    std::string traceLine_;
};

} // namespace

int main(int argc, char** argv) {
    guardOutput();
    cli::CommandLine line(program, usage, details,
                          {{"--stage", true},
                           {"--walk-count", true},
                           {"--client", true},
                           {"--trace", false},
                           {"--png", true},
                           {"--gif", true},
                           {"--from", true},
                           {"--to", true},
                           {"--dump-stages", false},
                           {"--verify", false},
                           {"--reduced-flashing", false},
                           {"--ghost", true}});
    if (!line.read(argc, argv)) return line.exitStatus();
    Options options;
    const std::string problem = readOptions(line, options);
    if (!problem.empty()) return line.fail(problem);
    if (targetsRefused(options)) return 2;
    if (options.dumpStages || options.verify) return writeReport(options);
    script::Script script;
    if (options.hasScript) {
        script = script::load(options.script);
        if (!script.error.empty()) {
            std::fprintf(stderr, "%s\n", script.error.c_str());
            return 2;
        }
    }
    if (!options.ghostPath.empty()) {
        // A ghost that cannot be is said, and the run goes on without it.
        driver::ghost::followRun(options.ghostPath, [](const std::string& message) {
            std::fprintf(stderr, "%s: %s\n", program, message.c_str());
        });
    }
    Run run(options);
    return run.play(script);
}
