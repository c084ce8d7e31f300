#include "host/driver/ghost.hpp"

#include "app/menus.hpp"
#include "cli/command_line.hpp"
#include "files/script/run_header.hpp"
#include "game/game_tick.hpp"
#include "render/paint.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace kueruma::driver::ghost {

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

} // namespace

bool Run::load(const std::string& path, const std::string& recordPath, std::string& error) {
    const std::string shown = cli::shownName(path);
    std::error_code ec;
    // A FIFO or a device could keep the game waiting for ever before its first tick.
    if (path == "-" || !std::filesystem::is_regular_file(path, ec)) {
        error = shown + ": not a run (only a regular file can be a ghost)";
        if (ec && ec != std::errc::no_such_file_or_directory) error += ": " + ec.message();
        if (ec == std::errc::no_such_file_or_directory) error = shown + ": no such file";
        return false;
    }
    if (sameFile(path, recordPath)) {
        error = shown + ": is the recording this game writes, not a ghost";
        return false;
    }
    return take(script::load(path), path, error);
}

bool Run::read(std::string_view text, const std::string& name, std::string& error) {
    return take(script::parse(text, name), name, error);
}

bool Run::take(script::Script script, const std::string& name, std::string& error) {
    const std::string shown = cli::shownName(name);
    if (!script.error.empty()) {
        error = script.error;
        return false;
    }
    if (std::string problem = script::readRunStart(script, name, start_); !problem.empty()) {
        error = problem;
        return false;
    }
    if (start_.stage < 0) {
        error = shown + ": not a run of one stage (its header names no 'kueruma-replay --stage N')";
        return false;
    }
    if (script.steps.empty()) {
        error = shown + ": holds no keys";
        return false;
    }
    file_ = name;
    steps_ = std::move(script.steps);
    checkpoints_.clear();
    restart();
    return true;
}

void Run::restart() {
    now_ = Moment{};
    game::PlayState& state = now_.state;
    state.gameState.stageIndex = start_.stage;
    game::resetStage(state, start_.stage);
    state.figure.walkCounter = start_.walkCount;
    if (checkpoints_.empty()) checkpoints_.push_back(now_);
}

void Run::advance() {
    Moment& m = now_;
    game::GameState& gs = m.state.gameState;
    if (m.step >= steps_.size() || m.endTick >= 0) return;
    const loop::KeySet keys = steps_[m.step].keys;
    if (++m.stepTicks == steps_[m.step].count) {
        ++m.step;
        m.stepTicks = 0;
    }
    ++m.ticks;
    gs.input = {static_cast<std::uint8_t>((keys & loop::KeyLeft) != 0),
                static_cast<std::uint8_t>((keys & loop::KeyUp) != 0),
                static_cast<std::uint8_t>((keys & loop::KeyRight) != 0),
                static_cast<std::uint8_t>((keys & loop::KeyDown) != 0),
                static_cast<std::uint8_t>((keys & loop::KeyX) != 0),
                static_cast<std::uint8_t>((keys & loop::KeyZ) != 0)};
    // The intro's tick only opens the stage; every tick of play asks for a paint, and a paint
    // changes the state too (the clear bonus, the joints laid out, the debris).
    if (gs.screen == game::StageIntro) {
        gs.screen = game::Play;
    } else if (gs.running) {
        game::stageTick(m.state, (keys & loop::KeyF11) != 0);
    }
    render::preparePaint(m.state);
    if (!gs.running) m.endTick = m.ticks;
    const auto kept = static_cast<std::int64_t>(checkpoints_.size());
    if (m.ticks == kept * checkpointTicks) checkpoints_.push_back(m);
}

void Run::seek(std::int64_t ticks) {
    if (ticks < now_.ticks) {
        const std::int64_t nearest = std::min<std::int64_t>(
            ticks / checkpointTicks, static_cast<std::int64_t>(checkpoints_.size()) - 1);
        now_ = checkpoints_[static_cast<std::size_t>(nearest)];
    }
    while (now_.ticks < ticks && now_.step < steps_.size() && now_.endTick < 0) advance();
}

namespace {

std::string signedNumber(long long n) {
    std::string text = std::to_string(n);
    if (n >= 0) text.insert(text.begin(), '+');
    return text;
}

} // namespace

std::string standingLine(const Standing& standing, bool timer) {
    std::string line;
    if (standing.againstGhost) line = signedNumber(standing.scoreDifference);
    if (!timer) return line;
    const long long ms = standing.ticks * app::stagePeriodMs;
    char time[64];
    std::snprintf(time, sizeof time, "%stick %lld  %lld.%02lld s", line.empty() ? "" : "  ",
                  static_cast<long long>(standing.ticks), ms / 1000, ms % 1000 / 10);
    line += time;
    if (standing.ghostStageTicks >= 0) {
        line += "  split " + signedNumber(standing.ticks - standing.ghostStageTicks);
    }
    return line;
}

namespace {

// What the program of this thread follows.
struct Follower {
    Choice choice;
    // The --ghost run, loaded once; the best of the stage being played, loaded as it begins.
    std::optional<Run> named;
    std::optional<Run> best;
    Run* running = nullptr; // the one beside the stage being played
    bool shown = false;
    std::string said;
    // The player's ticks since the program started, and the tick its stage's intro came.
    std::int64_t ticks = 0;
    std::int64_t stageStart = -1;
    std::int32_t screenBefore = game::Title;
};

thread_local std::unique_ptr<Follower> active;

// Each thing wrong is said once, not at every start of its stage.
void say(const std::string& message) {
    if (message == active->said) return;
    active->said = message;
    if (active->choice.notice) active->choice.notice(message);
}

std::string otherStage(const Run& run, int stage) {
    return cli::shownName(run.file()) + ": a run of stage " + std::to_string(run.stage()) +
           ", not of stage " + std::to_string(stage) + " being played: no ghost";
}

// The ghost of the stage the player has just begun, if there is one.
void stageBegins(const game::PlayState& player) {
    Follower& f = *active;
    const int stage = player.gameState.stageIndex;
    f.stageStart = f.ticks;
    f.running = nullptr;
    if (f.named) {
        if (f.named->stage() == stage) {
            f.running = &*f.named;
            f.shown = true;
        } else {
            say(otherStage(*f.named, stage));
        }
    } else if (f.choice.bestOf && f.choice.wanted && f.choice.wanted()) {
        const std::string file = f.choice.bestOf(stage);
        std::string error;
        f.best.reset();
        if (!file.empty()) {
            f.best.emplace();
            if (!f.best->load(file, f.choice.recordPath, error)) {
                say("the best of stage " + std::to_string(stage) + " is no ghost: " + error);
                f.best.reset();
            } else if (f.best->stage() != stage) {
                say(otherStage(*f.best, stage));
                f.best.reset();
            }
        }
        if (f.best) f.running = &*f.best;
        f.shown = f.choice.shown && f.choice.shown();
    }
    if (f.running) f.running->restart();
}

void observe(const game::PlayState& player) {
    Follower& f = *active;
    const std::int32_t screen = player.gameState.screen;
    if (screen == game::StageIntro && f.screenBefore != game::StageIntro) stageBegins(player);
    if (screen != game::StageIntro && screen != game::Play) {
        f.running = nullptr;
        f.stageStart = -1;
    }
    f.screenBefore = screen;
}

} // namespace

void follow(Choice choice) {
    active = std::make_unique<Follower>();
    active->choice = std::move(choice);
    if (active->choice.file.empty()) return;
    std::string error;
    active->named.emplace();
    if (!active->named->load(active->choice.file, active->choice.recordPath, error)) {
        say(error + "; playing without a ghost");
        active->named.reset();
    }
}

void followRun(const std::string& file, std::function<void(const std::string&)> notice) {
    Choice choice;
    choice.file = file;
    choice.notice = std::move(notice);
    follow(std::move(choice));
}

void followRun(Run run, std::function<void(const std::string&)> notice) {
    Choice choice;
    choice.notice = std::move(notice);
    follow(std::move(choice));
    active->named = std::move(run);
}

void stop() {
    active.reset();
}

void letGo() {
    if (!active) return;
    active->running = nullptr;
    active->named.reset();
    active->best.reset();
}

bool following() {
    return active != nullptr;
}

void started(const game::PlayState& player) {
    if (!active) return;
    active->ticks = 0;
    active->screenBefore = game::Title;
    observe(player);
}

void afterTick(const game::PlayState& player) {
    if (!active) return;
    ++active->ticks;
    if (active->running) active->running->advance();
    observe(player);
}

void rewound(std::int64_t ticks, const game::PlayState& player) {
    if (!active) return;
    Follower& f = *active;
    f.ticks = ticks;
    f.screenBefore = player.gameState.screen;
    if (f.running && f.stageStart >= 0 && ticks >= f.stageStart) {
        f.running->seek(ticks - f.stageStart);
    }
}

const figure::Figure* figure() {
    if (!active || !active->running || !active->shown) return nullptr;
    return &active->running->state().figure;
}

std::optional<Standing> standing(const game::PlayState& player) {
    if (!active || active->stageStart < 0 || player.gameState.screen != game::Play) return {};
    Standing s;
    s.ticks = active->ticks - active->stageStart;
    if (const Run* run = active->running) {
        s.againstGhost = true;
        s.scoreDifference = player.figure.score - run->state().figure.score;
        s.ghostStageTicks = run->stageTicks();
    }
    return s;
}

} // namespace kueruma::driver::ghost
