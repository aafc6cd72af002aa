#pragma once
// Resolving a registered file to the program that runs it, and starting a task's process.

#include "engine/run_observer.h"
#include "platform/process.h"
#include "store/app_context.h"

#include <cstddef>
#include <string>

// 0 resolved (out holds the program path), -1 path not found, -2 file not found, -8 lookup
// failure, -10 invalid program file, -12 the path does not fit `capacity` with its terminator,
// -13 no associated program. On failure `out` is unchanged or all zero. Paths are cp932.
int MyGetExecFile(const char* registeredFile, char* out, size_t capacity);

// Starts task i; the caller holds taskLock and has decided it may start. Sets Running and
// launchResult 1 on success, launchResult 2 on failure; records today as the last run always.
// The run observer, when there is one, hears of it as a run of `trigger` due at dueMs (ms since
// the epoch of the scheduled minute; 0 for run-now), and may give the program an output file.
// A start wakes the watcher, so that even a program that ends at once is seen ending at once.
void MyTaskExec(AppContext& ctx, int index, RunTrigger trigger = RunTrigger::Scheduled,
                int64_t dueMs = 0);

// The quoted command line of a task, as traced: "exe" or "exe" "registered".
std::string taskCommandLine(const TaskRecord& task);

// The task's process has ended and was reaped: tells the run observer how (killed only when
// force-terminate had sent the signal that ended it), closes its handle (unless `closeHandle` is
// false: the number was no process descriptor of ours), zeroes both run-time blocks, sets the
// task Waiting, or Completed when it runs only once, and lets the watcher forget the process.
void MyReleaseTaskProcess(AppContext& ctx, int index, const platform::ProcessEnd& end,
                          bool closeHandle = true);

// What force-terminate did.
enum TerminateResult {
    TerminateDone = 0,          // the process ended; the task is released
    TerminateEnding = 1,        // killed, not ended yet: the watcher records the end
    TerminateNotPermitted = -1, // the program runs as another user; it goes on, still Running
    TerminateFailed = -2,       // the handle is no process of ours; nothing changed
};

// How long force-terminate waits, under taskLock, for a killed process to end.
inline constexpr int kTerminateWaitMs = 1000;

// Force-terminate: sends SIGKILL to task i's process through its descriptor, then to its
// group, and when it has ended within kTerminateWaitMs reaps it and releases the task.
int MyTerminateTaskProcess(AppContext& ctx, int index);
