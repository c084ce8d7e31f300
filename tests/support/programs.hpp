// Runs the built programs the way a player's shell does, from the folder the tests run in, and
// the scratch files the runs read and write.
#pragma once

#include <string>

namespace kueruma::support {

struct RunResult {
    int status;
    std::string out;
};

// Runs a shell command in the folder the tests run in, with stderr folded into the output.
RunResult shell(const std::string& command);
// kueruma-replay with `args`, its messages folded into the output.
RunResult replay(const std::string& args);

// Writes `text` to `name` in the test folder and returns its path.
std::string writeFile(const std::string& name, const std::string& text);
// A fresh folder of this test's own under the test folder.
std::string freshFolder(const std::string& name);
// The bytes of the file at `path` (empty when it cannot be read).
std::string contents(const std::string& path);
// Whether the desktop game was built here (it needs SDL).
bool gameBuilt();

} // namespace kueruma::support
