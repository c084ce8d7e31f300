// The Windows GUI entry: everything happens in run().
#include "platform/win32/win32_app.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    return kueruma::win32::run(instance, showCommand);
}
