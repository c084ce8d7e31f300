// kueruma-replay: runs the real program headless on a virtual clock from a key script.
#include "platform/headless/headless.hpp"
#include "platform/headless/paint_targets.hpp"
#include "platform/headless/script.hpp"
#include "platform/headless/stage_dump.hpp"
#include "platform/headless/trace.hpp"
#include "platform/raster/framebuffer.hpp"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace kueruma;

constexpr const char* usage =
    "usage: kueruma-replay [--stage N] [--client WxH] [--trace] [--png DIR] [--dump-stages] "
    "[SCRIPT | -]\n";

struct Options {
    int stage = -1;
    int width = platform::clientWidth;
    int height = platform::clientHeight;
    bool trace = false;
    std::string pngDir;
    bool dumpStages = false;
    std::string script;
    bool hasScript = false;
};

int fail(const std::string& message) {
    std::cerr << "kueruma-replay: " << message << "\n" << usage;
    return 2;
}

bool parseWholeNumber(const char* text, long long maxValue, long long& value) {
    if (*text == '\0') return false;
    value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
        if (value > maxValue) return false;
    }
    return true;
}

bool parseClient(const char* text, int& width, int& height) {
    const char* x = std::strchr(text, 'x');
    if (x == nullptr) return false;
    const std::string w(text, x);
    long long wv = 0;
    long long hv = 0;
    if (!parseWholeNumber(w.c_str(), 8192, wv) || !parseWholeNumber(x + 1, 8192, hv)) return false;
    if (wv < 1 || hv < 1) return false;
    width = static_cast<int>(wv);
    height = static_cast<int>(hv);
    return true;
}

// Empty when the options are good; otherwise what is wrong.
std::string parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)name;
            return argv[++i];
        };
        if (arg == "--stage") {
            const char* v = value("--stage");
            long long n = 0;
            if (v == nullptr || !parseWholeNumber(v, 8, n))
                return "--stage takes a stage index from 0 to 8";
            o.stage = static_cast<int>(n);
        } else if (arg == "--client") {
            const char* v = value("--client");
            if (v == nullptr || !parseClient(v, o.width, o.height)) {
                return "--client takes WIDTHxHEIGHT, each from 1 to 8192";
            }
        } else if (arg == "--trace") {
            o.trace = true;
        } else if (arg == "--png") {
            const char* v = value("--png");
            if (v == nullptr || *v == '\0') return "--png takes a folder";
            std::error_code ec;
            if (!std::filesystem::is_directory(v, ec)) {
                return std::string("--png folder '") + v + "' does not exist";
            }
            o.pngDir = v;
        } else if (arg == "--dump-stages") {
            o.dumpStages = true;
        } else if (arg == "-" || arg.empty() || arg[0] != '-') {
            if (o.hasScript) return "only one script may be given";
            o.script = arg;
            o.hasScript = true;
        } else {
            return "unknown option '" + arg + "'";
        }
    }
    return {};
}

bool writeFrame(const headless::RasterPaintTarget& target, const std::string& dir,
                std::int64_t tick) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(tick));
    std::string error;
    if (!raster::writeGreyPng(target.picture(), dir + name, error)) {
        std::cerr << "kueruma-replay: " << error << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    const std::string problem = parseOptions(argc, argv, options);
    if (!problem.empty()) return fail(problem);
    if (options.dumpStages) {
        std::cout << headless::stagesJson();
        return 0;
    }
    headless::ScriptResult script;
    if (options.hasScript) {
        script = headless::loadScript(options.script);
        if (!script.error.empty()) {
            std::cerr << script.error << "\n";
            return 2;
        }
    }

    std::unique_ptr<headless::RasterPaintTarget> raster;
    std::unique_ptr<headless::NullPaintTarget> pixelless;
    headless::PaintTarget* target = nullptr;
    if (!options.pngDir.empty()) {
        raster = std::make_unique<headless::RasterPaintTarget>(options.width, options.height);
        target = raster.get();
    } else {
        pixelless = std::make_unique<headless::NullPaintTarget>();
        target = pixelless.get();
    }

    headless::boot(target, options.stage);
    if (raster && !writeFrame(*raster, options.pngDir, 0)) return 1;
    std::string line;
    std::int64_t tick = 0;
    for (const headless::ScriptStep& step : script.steps) {
        headless::holdKeys(step.keys);
        for (std::int32_t i = 0; i < step.count; ++i) {
            if (!headless::tick()) break;
            ++tick;
            const headless::TickReport& report = headless::lastReport();
            if (options.trace) {
                line.clear();
                headless::appendTraceLine(line, tick, report);
                std::fwrite(line.data(), 1, line.size(), stdout);
            }
            if (raster && report.painted && !writeFrame(*raster, options.pngDir, tick)) return 1;
            if (report.quit) break;
        }
        if (headless::quitPosted()) break;
    }
    std::fflush(stdout);
    return headless::quitPosted() ? headless::exitCode() : 0;
}
