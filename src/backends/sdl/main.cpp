// kueruma: the game in a desktop window.
#include "backends/sdl/sdl_backend.hpp"
#include "files/record/run_folder.hpp"
#include "files/record/session.hpp"
#include "files/settings/settings.hpp"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void saveRecordingAtExit() {
    std::string error;
    if (!kueruma::record::session().finish(error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
    }
}

const std::string settingsHelp =
    "Settings are read from $XDG_CONFIG_HOME/kueruma/settings.toml (else\n"
    "~/.config/kueruma/settings.toml), a TOML file; every setting may be left out:\n"
    "  scale = 1..16 (the window's scale; at most what fits the screen)\n"
    "  fullscreen = true|false        window_x = N, window_y = N (where the window opens)\n"
    "  volume = 0..100                mute = true|false\n"
    "  reduced_flashing = true|false  pause_on_focus_loss = true|false (default true)\n"
    "  ghosts = true|false            timer = true|false\n"
    "  [keys] and [pad]: left, right, up, down, jump (X), kick (Z), give_up (F11), pause,\n"
    "  each a name or a list of names: [keys] jump = [\"Space\", \"X\"]; [pad] jump = \"South\".\n"
    "  Keys: A-Z, 0-9, F1-F12, Left, Right, Up, Down, Space, Return, Tab, LeftShift, LeftCtrl,\n"
    "  Keypad0-9, ... Pad buttons: South, East, West, North, Back, Start, LeftShoulder,\n"
    "  RightShoulder, LeftStick, RightStick, DpadUp, DpadDown, DpadLeft, DpadRight.\n"
    "A setting that is wrong is named (file and line) and its default used.\n";

// The settings file, when there is one; what is wrong in it is said once and left as it is.
void useSettingsFile() {
    const std::string path = kueruma::settings::defaultPath();
    if (path.empty()) return;
    const kueruma::settings::Loaded loaded = kueruma::settings::load(path);
    const std::string warning = loaded.warning(path);
    if (!warning.empty()) std::fprintf(stderr, "kueruma: %s\n", warning.c_str());
    kueruma::sdl::useSettings(loaded.settings);
}

} // namespace

int main(int argc, char** argv) {
    using namespace kueruma;
    static const std::string details =
        std::string("The game in a window. Arrow keys move, X jumps and confirms, Z kicks, F11\n"
                    "gives up the stage, P or Pause pauses, Alt+Enter switches fullscreen; a\n"
                    "joystick works too.\n") +
        record::sessionOptionsHelp + "KUERUMA_SCALE=N chooses the window's scale, from 1 to " +
        std::to_string(sdl::maxScale) + " (default: the settings', else the largest that fits).\n" +
        "Every finished stage's run is kept in $XDG_DATA_HOME/kueruma/runs (the latest " +
        std::to_string(record::keptRuns) + ").\n" + settingsHelp;
    cli::CommandLine line = record::sessionCommandLine(details);
    if (!line.read(argc, argv)) return line.exitStatus();
    record::SessionOptions options;
    const std::string problem = record::readSessionOptions(line, options);
    if (!problem.empty()) return line.fail(problem);
    options.runKeeper = record::folderKeeper(record::defaultRunsFolder());
    std::string error;
    if (!record::session().begin(options, error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
        return 2;
    }
    if (!options.runKeeper) {
        std::fprintf(stderr, "kueruma: neither XDG_DATA_HOME nor HOME is set: finished stages "
                             "are not kept\n");
    }
    // A lost display ends the program from inside the X library: what was recorded is kept.
    std::atexit(saveRecordingAtExit);
    // The window title is Japanese: let X name it in the desktop's own character set.
    std::setlocale(LC_CTYPE, "");
    useSettingsFile();
    int exitCode = 1;
    if (sdl::initSdl(error) && sdl::openGame(error)) {
        exitCode = sdl::runMessageLoop();
    } else {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
    }
    sdl::shutdown();
    if (!record::session().finish(error)) {
        std::fprintf(stderr, "kueruma: %s\n", error.c_str());
        if (exitCode == 0) exitCode = 1;
    }
    return exitCode;
}
