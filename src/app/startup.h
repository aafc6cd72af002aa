#pragma once
// The order in which Chorelin comes up and goes down, apart from the windows.

#include "store/app_context.h"

// Shows a fatal start-up message (and prints it on standard error), then ends the process at
// once with exit code 0.
[[noreturn]] void fatalExit(const char* utf8Message);

// Single instance, the shared state, paths and data folder, settings: everything before the
// windows. Ends the process through fatalExit when a step cannot be done.
AppContext& buildSharedState();

// Loads the task file into the table and prepares the loaded tasks (the caller holds taskLock).
// Ends the process through fatalExit when the task file cannot be created.
void loadTasksAtStartup(AppContext& ctx);

// Stops the workers and writes the task file one last time.
void runShutdown(AppContext& ctx);
