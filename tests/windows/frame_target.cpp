#include "frame_target.hpp"

#include "cli/command_line.hpp"

#include <algorithm>
#include <cstring>

namespace kueruma::frames {

namespace {

// Every font the game's texts are drawn with is 16 pixels or so tall and draws below the
// text's top: the rows a text call can change lie well inside this band.
constexpr int textBandRows = 64;

enum Op : int {
    OpCreatePen = 1,
    OpSelectPen,
    OpNullBrush,
    OpDeletePen,
    OpMoveTo,
    OpLineTo,
    OpEllipse,
    OpTransparent,
    OpTextGrey,
    OpText,
};

// FNV-1a, 64 bits.
constexpr std::uint64_t digestStart = 0xcbf29ce484222325ULL;
std::uint64_t mix(std::uint64_t digest, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        digest ^= (value >> (8 * i)) & 0xFF;
        digest *= 0x100000001b3ULL;
    }
    return digest;
}

} // namespace

std::string frameName(const FrameInfo& info) {
    return "run " + std::to_string(info.run) + " tick " + std::to_string(info.tick) +
           (info.pause > 0 ? " pause " + std::to_string(info.pause) : std::string(" end"));
}

std::string loadRuns(const std::vector<std::string>& args, std::size_t first,
                     std::vector<Run>& runs) {
    Run run;
    for (std::size_t i = first; i < args.size(); ++i) {
        if (args[i] == "--stage") {
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            if (std::string problem = cli::readStage("--stage", value, run.stage);
                !problem.empty()) {
                return problem;
            }
            continue;
        }
        if (args[i].size() > 1 && args[i][0] == '-') return "unknown option '" + args[i] + "'";
        run.path = args[i];
        run.script = script::load(run.path);
        if (!run.script.error.empty()) return run.script.error;
        runs.push_back(std::move(run));
        run = Run{};
    }
    if (run.stage >= 0) return "--stage must come before a script";
    if (runs.empty()) return "no script given";
    return {};
}

bool FrameTarget::play(const Run& run, int runIndex) {
    info_ = FrameInfo{};
    info_.run = runIndex;
    stopped_ = false;
    headless::boot(this, run.stage);
    for (const script::Step& step : run.script.steps) {
        headless::holdKeys(step.keys);
        for (std::int32_t i = 0; i < step.count && !stopped_; ++i) {
            if (!headless::tick() || headless::lastReport().quit) return !stopped_;
        }
        if (stopped_) return false;
    }
    return !stopped_;
}

seam::Canvas* FrameTarget::beginPaint() {
    info_.tick = headless::ticksDelivered();
    info_.pause = 0;
    info_.calls = digestStart;
    info_.texts.clear();
    log_.begin(startPicture(), info_);
    return &log_;
}

void FrameTarget::pauseInPaint() {
    ++info_.pause;
    handOn();
}

void FrameTarget::endPaint() {
    info_.pause = 0;
    handOn();
    finishPicture();
}

void FrameTarget::handOn() {
    if (!stopped_ && !frame(info_)) stopped_ = true;
}

void FrameTarget::CallLog::begin(seam::Canvas& inner, FrameInfo& info) {
    inner_ = &inner;
    info_ = &info;
}

void FrameTarget::CallLog::note(int op, int a, int b, int c, int d) {
    std::uint64_t digest = mix(info_->calls, static_cast<std::uint64_t>(op));
    for (int value : {a, b, c, d}) digest = mix(digest, static_cast<std::uint32_t>(value));
    info_->calls = digest;
}

seam::Pen FrameTarget::CallLog::createPen(int width, int grey) {
    note(OpCreatePen, width, grey);
    return inner_->createPen(width, grey);
}

// Pen handles differ from canvas to canvas: only the order of the calls is compared.
seam::Pen FrameTarget::CallLog::selectPen(seam::Pen pen) {
    note(OpSelectPen);
    return inner_->selectPen(pen);
}

void FrameTarget::CallLog::selectNullBrush() {
    note(OpNullBrush);
    inner_->selectNullBrush();
}

void FrameTarget::CallLog::deletePen(seam::Pen pen) {
    note(OpDeletePen);
    inner_->deletePen(pen);
}

void FrameTarget::CallLog::moveTo(int x, int y) {
    note(OpMoveTo, x, y);
    inner_->moveTo(x, y);
}

void FrameTarget::CallLog::lineTo(int x, int y) {
    note(OpLineTo, x, y);
    inner_->lineTo(x, y);
}

void FrameTarget::CallLog::ellipse(int left, int top, int right, int bottom) {
    note(OpEllipse, left, top, right, bottom);
    inner_->ellipse(left, top, right, bottom);
}

void FrameTarget::CallLog::setTransparentBackground() {
    note(OpTransparent);
    inner_->setTransparentBackground();
}

void FrameTarget::CallLog::setTextGrey(int grey) {
    note(OpTextGrey, grey);
    inner_->setTextGrey(grey);
}

// The text's box is where its pixels changed: each canvas draws its own face, so the box is
// found from the picture rather than from either face's metrics.
void FrameTarget::CallLog::textOut(int x, int y, std::string_view sjis) {
    note(OpText, x, y, static_cast<int>(sjis.size()));
    for (char c : sjis) note(OpText, static_cast<unsigned char>(c));
    const int width = owner_.width();
    const int top = std::clamp(y, 0, owner_.height());
    const int bottom = std::clamp(y + textBandRows, top, owner_.height());
    const std::size_t size = static_cast<std::size_t>(bottom - top) * width;
    before_.resize(size);
    after_.resize(size);
    owner_.readGrey(top, bottom, before_.data());
    inner_->textOut(x, y, sjis);
    owner_.readGrey(top, bottom, after_.data());
    TextBox box{x, y, static_cast<std::int32_t>(sjis.size()), width, bottom, 0, top};
    for (std::size_t i = 0; i < size; ++i) {
        if (before_[i] == after_[i]) continue;
        const int px = static_cast<int>(i % width);
        const int py = top + static_cast<int>(i / width);
        box.left = std::min(box.left, px);
        box.right = std::max(box.right, px + 1);
        box.top = std::min(box.top, py);
        box.bottom = std::max(box.bottom, py + 1);
    }
    if (box.left >= box.right) box.left = box.right = box.top = box.bottom = 0;
    info_->texts.push_back(box);
}

} // namespace kueruma::frames
