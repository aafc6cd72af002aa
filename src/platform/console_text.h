#pragma once
// Text for the console the command-line commands were started from.

#include <string_view>

namespace platform {

// A window program on Windows starts without a console; this joins the console of the process
// that started it, if there is one, so that the commands print where they were typed. Standard
// handles that are already set (a file, a pipe) are kept. Nothing to do on Linux, where the
// terminal is inherited.
void attachParentConsole();

enum class TextStream { Out, Err };

// Writes UTF-8 text to standard output or standard error and flushes it. A Windows console is
// given characters, whatever its code page; a file or a pipe gets the bytes unchanged.
void writeText(TextStream stream, std::string_view utf8);

} // namespace platform
