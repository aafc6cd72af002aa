#pragma once
// The system's own short texts for an error number and a signal number, for messages and the
// run history's rows.

#include <string>

namespace platform {

// The description of an errno value ("No space left on device"); "error <n>" for a number the
// system has no text for.
std::string errorText(int error);

// The abbreviation of a signal without "SIG" ("KILL", "SEGV"); empty for a number without a
// name. Numbers are those the run history keeps, which are Linux's on every system.
std::string signalAbbreviation(int signal);

} // namespace platform
