#pragma once
// Requests to end the program that come through its console on Windows: Ctrl+C, Ctrl+Break,
// the console window closed, logoff and shutdown.

#include <functional>

namespace platform {

// From now on every such request calls `request`, on a thread of the system's; an empty
// function drops the requests. For a closed console, logoff and shutdown the system ends the
// process as soon as the handler returns, so the handler holds it back until the process has
// ended by itself (the system's own time-out still applies).
void onConsoleTermination(std::function<void()> request);

} // namespace platform
