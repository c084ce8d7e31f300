#include "programs/replay/trace.hpp"

#include "game/play_state.hpp"

#include <cmath>
#include <cstdio>

namespace kueruma::replay {

namespace {

class JsonLine {
  public:
    explicit JsonLine(std::string& out) : out_(out) { out_ += '{'; }
    ~JsonLine() { out_ += "}\n"; }
    JsonLine(const JsonLine&) = delete;
    JsonLine& operator=(const JsonLine&) = delete;

    void key(const char* name) {
        if (!first_) out_ += ',';
        first_ = false;
        out_ += '"';
        out_ += name;
        out_ += "\":";
    }
    void integer(const char* name, std::int64_t v) {
        key(name);
        appendInteger(v);
    }
    void boolean(const char* name, bool v) {
        key(name);
        out_ += v ? "true" : "false";
    }
    void number(const char* name, double v) {
        key(name);
        appendDouble(v);
    }
    template <class Array> void integers(const char* name, const Array& values) {
        key(name);
        out_ += '[';
        bool first = true;
        for (auto v : values) {
            if (!first) out_ += ',';
            first = false;
            appendInteger(static_cast<std::int64_t>(v));
        }
        out_ += ']';
    }
    void raw(const char* text) { out_ += text; }
    void appendDouble(double v) {
        // Non-finite values have no JSON spelling.
        if (!std::isfinite(v)) {
            out_ += "null";
            return;
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", v);
        out_ += buffer;
    }
    void appendInteger(std::int64_t v) {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v));
        out_ += buffer;
    }

  private:
    std::string& out_;
    bool first_ = true;
};

} // namespace

void appendTraceLine(std::string& out, std::int64_t tick, const headless::TickReport& report) {
    const game::PlayState& state = headless::state();
    const game::GameState& gs = state.gameState;
    const figure::Figure& f = state.figure;
    JsonLine j(out);
    j.integer("tick", tick);
    j.integer("ms", report.tickMs);
    j.integer("timerMs", report.timerMs);
    j.integer("screen", gs.screen);
    j.integer("stageIndex", gs.stageIndex);
    j.boolean("running", gs.running);
    j.boolean("allCleared", gs.allCleared);
    j.integer("cursor", gs.cursor);
    j.integer("keypadCell", gs.keypadCell);
    j.integers("passDigits", gs.passDigits);
    j.number("scrollX", gs.scrollX);
    j.number("goalX", gs.goalX);
    j.integer("clearPoint", gs.clearPoint);
    j.number("posX", f.posX);
    j.number("posY", f.posY);
    j.number("velX", f.velX);
    j.number("velY", f.velY);
    j.number("bodyAngle", f.bodyAngle);
    j.integer("jumpState", f.jumpState);
    j.integer("pose", f.pose);
    j.integer("walkCounter", f.walkCounter);
    j.integer("kickTimer", f.kickTimer);
    j.integer("health", f.health);
    j.integer("score", f.score);
    j.integer("combo", f.combo);
    j.integer("bestCombo", f.bestCombo);
    j.number("boxX", f.boxX);
    j.number("boxY", f.boxY);
    j.number("boxWidth", f.boxWidth);
    j.number("boxHeight", f.boxHeight);
    j.number("hipA", f.hipA);
    j.number("hipB", f.hipB);
    j.number("kneeA", f.kneeA);
    j.number("kneeB", f.kneeB);
    j.number("shoulderA", f.shoulderA);
    j.number("shoulderB", f.shoulderB);
    j.number("elbowA", f.elbowA);
    j.number("elbowB", f.elbowB);
    j.key("joints");
    j.raw("[");
    for (int k = 0; k < figure::jointCount; ++k) {
        if (k > 0) j.raw(",");
        j.raw("[");
        j.appendDouble(f.jointX[static_cast<std::size_t>(k)]);
        j.raw(",");
        j.appendDouble(f.jointY[static_cast<std::size_t>(k)]);
        j.raw("]");
    }
    j.raw("]");
    std::int32_t timers[world::poolSize];
    for (int k = 0; k < world::poolSize; ++k) {
        const world::Block& block = state.blockPool[static_cast<std::size_t>(k)];
        timers[k] = block.breakTimer;
    }
    j.integer("activeBlocks", game::activeBlockCount(state));
    j.integers("breakTimers", timers);
    j.key("sounds");
    j.raw("[");
    for (int k = 0; k < report.soundCount; ++k) {
        if (k > 0) j.raw(",");
        j.raw("\"");
        j.raw(report.sounds[k]);
        j.raw("\"");
    }
    j.raw("]");
    j.integer("sleptMs", report.sleptMs);
    j.boolean("painted", report.painted);
    j.boolean("quit", report.quit);
}

} // namespace kueruma::replay
