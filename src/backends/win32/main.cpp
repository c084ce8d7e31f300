// The Windows GUI entry: the game's start and end are the driver's (start.hpp), the window and
// its message loop are win32::run(). The command line is read from the C runtime's copy of it,
// so a start with no arguments is exactly the game's usual start.
#include "backends/win32/win32_app.hpp"
#include "host/driver/start.hpp"

#include <cstdlib>
#include <string>

namespace {

// A GUI program's standard streams go nowhere (started without a console, writing there fails):
// the player reads a message box instead.
void showInBox(const std::string& text, bool problem) {
    if (problem) {
        kueruma::win32::reportError(text);
    } else {
        kueruma::win32::showInformation(text);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    using namespace kueruma;
    driver::Front front;
    front.help = record::sessionOptionsHelp;
    front.show = showInBox;
    if (const int status = driver::begin(__argc, __argv, front); status >= 0) return status;
    return driver::finish(front, win32::run(instance, showCommand));
}
