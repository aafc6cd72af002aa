#pragma once
// Requests from outside to end the program (SIGTERM, SIGINT and SIGHUP on Linux), turned into a
// descriptor that the window's event loop watches, so that the ordinary shutdown runs on the
// window's thread.

namespace platform {

// Installs the handlers once; the descriptor that becomes readable on a request, or -1 when
// none could be made.
int installTerminationSignals();
// Reads away the requests the descriptor holds.
void drainTerminationSignals();
// Puts the default handling back and closes the descriptors.
void removeTerminationSignals();
// A write past the file-size limit fails (EFBIG) instead of ending the program.
void ignoreFileSizeSignal();

} // namespace platform
