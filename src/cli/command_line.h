#pragma once
// The command-line commands: read-only views of the tasks and their data, and the few commands
// that install a file. They run without a display and never take the single-instance lock, so
// they are safe beside the window instance.

#include <optional>

namespace cli {

// Whether the arguments ask for a command-line command rather than the window: any argument
// that is not one of Qt's own window options (or its value). The window takes no other
// argument, so a mistyped one ends with a usage error instead of starting it.
bool wantsCommand(int argc, char** argv);

// Runs the command the arguments name and returns the process's exit code: 0 done, 1 the
// command failed, 2 the command line itself is wrong (the reason is on standard error).
int runCommand(int argc, char** argv);

} // namespace cli
