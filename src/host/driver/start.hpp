// The game's start and end, the same in every front end: its command line read, the session
// begun (the script to show loaded, the recording checked) or refused before any window opens,
// the run started where the session says once the window exists, and the recording finished
// when the game ends. The session is the program's one value, absent when nothing records,
// plays or keeps runs; the calls below reach it for the front end's message loop.
#pragma once

#include "app/menus.hpp"
#include "files/record/session.hpp"
#include "game/play_state.hpp"
#include "seam/machine.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace kueruma::driver {

// What a front end says of itself.
struct Front {
    // What --help adds to the usage.
    std::string_view help;
    // Where finished stages' runs are kept; empty: they are not, and `notKept` says why.
    record::RunKeeper runKeeper;
    std::string_view notKept;
    // Shows a text the player must read (`problem`) or asked to read (--help, --version), for a
    // program nobody sees the standard streams of; null: standard output and error.
    void (*show)(const std::string& text, bool problem) = nullptr;
    // What the front end does once its command line is good, before its session begins and its
    // window opens (the desktop reads the player's settings file, which may ask for practice);
    // null: nothing.
    void (*prepare)(record::SessionOptions& options) = nullptr;
    // Lists each stage's best kept run (--bests) and gives the exit status; null: the program
    // has no --bests.
    int (*listBests)() = nullptr;
    // The ghosts setting, asked as each stage begins: that stage's pinned best is played beside
    // it (for the timer's split too) and drawn when the second says so; null: neither.
    bool (*bestWanted)() = nullptr;
    bool (*bestShown)() = nullptr;
};

// Reads the game's command line and begins its session. -1 when the game goes on; otherwise
// the exit status the program ends with now, after saying why.
int begin(int argc, char** argv, const Front& front);
// Finishes the session; the program's exit status, given the game's own.
int finish(const Front& front, int exitCode);
// What the player is told, through `front`: one line, or a block ending in a newline.
void report(const Front& front, const std::string& text);

// The session of `options`, replacing any before it: false, with `error` naming the file and
// what is wrong, when it cannot begin (and then there is none).
bool beginSession(const record::SessionOptions& options, std::string& error);
// The recording's last write; the session is gone afterwards. False with `error` when the
// write failed.
bool finishSession(std::string& error);

// The window exists: the run starts where the session says, or at `start` without one.
void windowCreated(game::PlayState& state, seam::Window* window, const app::RunStart& start = {});
// What the async key query answers: the shown script's keys while it lasts, else `live`.
short keyAnswer(int virtualKey, short live);
// While a script is shown, joysticks read as unplugged: its keys hold their input too.
bool showingScript();
// --practice was asked for: rewinds may cut the timeline.
bool practising();
// What the command line (and the front end's settings) asked for, once begin() has read them.
const record::SessionOptions& sessionOptions();
// A rewind took the program back to where it stood after `ticks` ticks, with `state`: what is
// recorded and kept is cut there.
void cutSession(std::int64_t ticks, const game::PlayState& state);
// A timer tick has been delivered to the shell.
void tickDone(const game::PlayState& state);

} // namespace kueruma::driver
