// Ghosts: another run of the stage being played (the stage's best, or any run the player names)
// played beside the player's, tick for tick from its own keys on its own copy of the play state,
// so its figure can be drawn faintly in the same picture and its score compared at the same
// tick. It never reaches the machine (no key query, no sound, no timer): the player's program,
// its trace and its recording are the same with a ghost or without one.
#pragma once

#include "figure/figure.hpp"
#include "files/script/run_header.hpp"
#include "files/script/script.hpp"
#include "game/play_state.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::driver::ghost {

// One run of one stage, from its intro on.
class Run {
  public:
    // Loads `path` as the ghost of the stage its header starts; false with `error` ("FILE: why"
    // or "FILE:LINE: why") when it cannot be one. `recordPath` is the file this game records
    // to, which is never read back while it is being written.
    bool load(const std::string& path, const std::string& recordPath, std::string& error);
    // The same for a run's text (the page's, which has no files), `name` saying it in errors.
    bool read(std::string_view text, const std::string& name, std::string& error);
    int stage() const { return start_.stage; }
    const script::RunStart& start() const { return start_; }
    const std::string& file() const { return file_; }
    // Back to the stage's intro, before its first tick.
    void restart();
    // Its next tick and the paint after it, as the program would play them; nothing once its
    // keys or its stage are over.
    void advance();
    // Where it stands after `ticks` ticks from its intro.
    void seek(std::int64_t ticks);
    const game::PlayState& state() const { return now_.state; }
    std::int64_t ticks() const { return now_.ticks; }
    // The ticks its stage took from the intro to its last tick of play; -1 while it has not
    // ended (the keys may end first: the run stops where they do).
    std::int64_t stageTicks() const { return now_.endTick; }

  private:
    bool take(script::Script script, const std::string& name, std::string& error);

    // Where the run stands, and how far through its keys.
    struct Moment {
        game::PlayState state;
        std::int64_t ticks = 0;
        std::int64_t endTick = -1;
        std::size_t step = 0;
        std::int32_t stepTicks = 0;
    };
    // A moment kept every this many ticks, so that a rewind finds the ghost's moment at once
    // and not by playing the stage again from its intro (a stage ends when the view passes its
    // goal, so they are few).
    static constexpr std::int64_t checkpointTicks = 64;

    std::string file_;
    script::RunStart start_;
    std::vector<script::Step> steps_;
    Moment now_;
    std::vector<Moment> checkpoints_;
};

// What a program's ghost is: a run given by name, or each stage's pinned best.
struct Choice {
    // --ghost FILE: this run, on the stage it is of.
    std::string file;
    // Otherwise, when `bestOf` is set and `wanted` says so as a stage begins: that stage's best
    // (the file bestOf names; empty for none), drawn when `shown` says so then, and else only
    // compared with.
    std::function<std::string(int stage)> bestOf;
    std::function<bool()> wanted;
    std::function<bool()> shown;
    // The file the game records to.
    std::string recordPath;
    // Where a ghost that cannot be is said (one line).
    std::function<void(const std::string&)> notice;
};

// The player's standing against the ghost, for a line shown beside the game's picture.
struct Standing {
    // Ticks of the stage played so far, from its intro.
    std::int64_t ticks = 0;
    // A ghost is running beside this stage: the player's score less the ghost's at this tick
    // (its last while it has stopped), and its stage's ticks (-1 while it has not ended).
    bool againstGhost = false;
    int scoreDifference = 0;
    std::int64_t ghostStageTicks = -1;
};

// The line shown beside the game's picture: the score against the ghost ("+120", "-40") and,
// with `timer`, the stage's time in ticks and seconds and its split against the ghost's whole
// stage ("tick 312  15.60 s  split -168": 168 ticks inside it). Empty when there is nothing to
// show.
std::string standingLine(const Standing& standing, bool timer);

// The program of this thread follows `choice` from now on (a --ghost file is loaded now and a
// bad one said); stop() ends that. Without follow() every call below does nothing.
void follow(Choice choice);
// The same for a run given by name alone.
void followRun(const std::string& file, std::function<void(const std::string&)> notice = {});
// The same for a run already read (the page's).
void followRun(Run run, std::function<void(const std::string&)> notice = {});
void stop();
// The ghost goes, and what is followed stays (the timer goes on counting the stage).
void letGo();
bool following();

// The player's program after its window's creation, after each timer tick delivered, and after
// a rewind to where it stood after `ticks` ticks.
void started(const game::PlayState& player);
void afterTick(const game::PlayState& player);
void rewound(std::int64_t ticks, const game::PlayState& player);

// The ghost's figure to draw in this paint, or null.
const figure::Figure* figure();
// While a stage is played; nothing otherwise.
std::optional<Standing> standing(const game::PlayState& player);

} // namespace kueruma::driver::ghost
