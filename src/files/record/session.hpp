// What the desktop and Windows programs record and show: the backend reports each async key
// answer and each finished timer tick, and the session keeps the keys as a replay script
// (--record FILE), keeps every finished stage's run, and answers from a script (--play FILE)
// until it runs out and the player takes over.
#pragma once

#include "app/menus.hpp"
#include "cli/command_line.hpp"
#include "files/record/key_feed.hpp"
#include "files/record/recording.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/stage_results.hpp"
#include "files/safe_write/safe_write.hpp"
#include "game/play_state.hpp"
#include "seam/machine.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace kueruma::record {

struct SessionOptions {
    std::string recordPath; // empty: no session recording
    std::string playPath;   // empty: the player plays from the start
    app::RunStart start;    // where the script shown starts, as the runner's options say
    RunKeeper runKeeper;    // empty: finished stages are not kept
    // The script to show when there is no playPath (the page opens runs from memory).
    std::vector<script::Step> playSteps;
    bool listBests = false; // --bests: list each stage's best kept run instead of playing
    bool practice = false;  // --practice: rewinds may cut the timeline
    std::string ghostPath;  // --ghost: a run played beside the player's on its stage
};

// The game's own options, the same in every desktop program: the command line that reads them
// (`details` is what --help adds to the usage) and what they ask for. Empty when they are good;
// otherwise what is wrong.
inline constexpr const char* sessionUsage =
    "usage: kueruma [--record FILE] [--play FILE [--stage N]]\n";
// The desktop game's, which keeps runs in a folder.
inline constexpr const char* desktopUsage =
    "usage: kueruma [--record FILE] [--play FILE [--stage N]] [--practice] [--ghost FILE]\n"
    "       kueruma --bests\n";
extern const std::string sessionOptionsHelp;
cli::CommandLine sessionCommandLine(std::string_view details);
// The desktop game's: those and what only it has (it keeps runs in a folder).
extern const std::string desktopOptionsHelp;
cli::CommandLine desktopCommandLine(std::string_view details);
std::string readSessionOptions(const cli::CommandLine& line, SessionOptions& options);

class Session {
  public:
    // Loads the script to show and makes sure the recording can be written, and by this program
    // alone, so a bad file stops the program before its window opens. Nothing is written yet:
    // a game that never starts leaves the file as it was. False with `error` naming the file
    // and what is wrong.
    bool begin(const SessionOptions& options, std::string& error);
    // Where the program starts: the window's creation puts it there before the first paint.
    const app::RunStart& start() const { return options_.start; }
    // The program has started where start() says.
    void started(const game::PlayState& state);
    // What the async key query answers: the script's keys while it lasts, else `live`.
    short keyAnswer(int virtualKey, short live);
    // While a script is shown, joysticks read as unplugged: its keys hold their input too.
    bool showingScript() const { return feed_.active(); }
    // A timer tick has been delivered to the shell.
    void tickDone(const game::PlayState& state);
    // Practice rewound the program to where it stood after `ticks` ticks, with `state`: the
    // ticks after them are no longer the timeline played.
    void cutAt(std::int64_t ticks, const game::PlayState& state);
    // The last write of the recording, once the game has started; later calls do nothing.
    // False with `error` when it failed.
    bool finish(std::string& error);

  private:
    bool active() const { return !options_.recordPath.empty() || options_.runKeeper; }
    void observeScreen(const game::PlayState& state);
    void stageEnded(const StageResult& result);
    bool writeRecording(std::string& error);
    std::string practiceLine() const;
    void keepStageRun(const StageResult& result);

    SessionOptions options_;
    std::string startedAt_;
    KeyFeed feed_;
    Recording recording_;
    std::vector<StageResult> results_;
    bool sampled_ = false;
    bool gaveUp_ = false;
    StageWatch stageWatch_;
    std::int64_t cuts_ = 0;
    bool recordingWarned_ = false;
    bool started_ = false;
    bool finished_ = false;
    safe_write::WriterLock recordingLock_;
};

} // namespace kueruma::record
