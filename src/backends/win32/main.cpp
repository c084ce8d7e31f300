// The Windows GUI entry: everything happens in run(). The command line is read from the C
// runtime's copy of it, so a start with no arguments is exactly the game's usual start.
#include "backends/win32/win32_app.hpp"
#include "files/record/session.hpp"

#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    using namespace kueruma;
    cli::CommandLine line = record::sessionCommandLine(record::sessionOptionsHelp);
    record::SessionOptions options;
    // A GUI program's standard error goes nowhere: the player sees a message box too.
    if (!line.read(__argc, __argv)) {
        // --help or --version: started without a console, its standard output goes nowhere
        // (writing there fails), so the box is what the player reads.
        if (!line.printed().empty()) {
            win32::showInformation(line.printed());
            return 0;
        }
        win32::reportError(std::string("kueruma: this command line is not understood\n") +
                           record::sessionUsage);
        return line.exitStatus();
    }
    std::string error = record::readSessionOptions(line, options);
    if (!error.empty()) {
        win32::reportError("kueruma: " + error + "\n" + record::sessionUsage);
        return 2;
    }
    if (!record::session().begin(options, error)) {
        win32::reportError("kueruma: " + error);
        return 2;
    }
    const int exitCode = win32::run(instance, showCommand);
    if (!record::session().finish(error)) {
        win32::reportError("kueruma: " + error);
        return exitCode != 0 ? exitCode : 1;
    }
    return exitCode;
}
