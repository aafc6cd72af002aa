#pragma once
// The order in which Chorelin comes up and goes down, apart from the windows.

#include "store/app_context.h"

// Shows a fatal start-up message (and prints it on standard error), then ends the process at
// once with exit code 0.
[[noreturn]] void fatalExit(const char* utf8Message);
// The same with "\nプログラムを停止します。" appended to the reason.
[[noreturn]] void fatalStop(const char* utf8Reason);

struct SharedState {
    AppContext& ctx;
    int startupRegistered; // 1 when the start-up entry exists
};

// Everything before the windows, in order: single instance, the shared state, whether the
// start-up entry exists, paths and data folder, the about text, the calendar, the settings and
// both workers (created idle). Ends the process through fatalExit when a step cannot be done.
SharedState buildSharedState();

// Stops the workers and writes the task file one last time. Processes that tasks started are
// left running.
void runShutdown(AppContext& ctx);
