#pragma once
// Resolving a registered file to the program that runs it, and starting a task's process.

#include "store/app_context.h"

#include <cstddef>
#include <string>

// 0 resolved (out holds the program path), -1 path not found, -2 file not found, -8 lookup
// failure, -10 invalid program file, -12 the path does not fit `capacity` with its terminator,
// -13 no associated program. On failure `out` is unchanged or all zero. Paths are cp932.
int MyGetExecFile(const char* registeredFile, char* out, size_t capacity);

// Starts task i; the caller holds taskLock and has decided it may start. Sets Running and
// launchResult 1 on success, launchResult 2 on failure; records today as the last run always.
void MyTaskExec(AppContext& ctx, int index);

// The quoted command line of a task, as traced: "exe" or "exe" "registered".
std::string taskCommandLine(const TaskRecord& task);

// The task's process has ended or was ended (and was reaped): closes its handle, zeroes both
// run-time blocks and sets the task Waiting, or Completed when it runs only once.
void MyReleaseTaskProcess(TaskRecord& task);
