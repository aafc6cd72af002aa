#pragma once
// A task's start in steps, so that the scheduler can make a burst of starts without holding
// taskLock while the kernel creates the processes:
//
//   prepare (under taskLock)  the task is marked as starting: a placeholder process handle
//                             (negative, unique), so every part that asks "is it running?"
//                             (the scheduler, run-now, change, delete, enable and disable, the
//                             catch-up) leaves it alone, and the watcher does not wait on it;
//                             state Running and today as its last run, as after a start.
//   open run (under taskLock) the run observer is told of the run and may give it an output
//                             descriptor; done right before the spawn, so that a burst never
//                             holds the descriptors of more than a few starts at a time.
//   spawn    (no lock)        the process is created.
//   finish   (under taskLock) the task, found again by its placeholder (the table may have
//                             been rearranged meanwhile), gets the real handle, or, when the
//                             start failed, its launch result and its state back.
//
// MyTaskExec runs them in a row under the caller's lock.

#include "engine/run_observer.h"
#include "platform/process.h"
#include "store/app_context.h"

#include <cstdint>
#include <string>

struct PreparedStart {
    int32_t placeholder = 0; // 0: nothing prepared (no such task)
    int32_t stateBefore = 0;
    RunTrigger trigger = RunTrigger::Scheduled;
    int64_t dueMs = 0;
    std::string executable; // cp932
    std::string argument;   // cp932; empty when the program runs itself
    RunPreparation run;
    int64_t startMs = 0;
    platform::SpawnResult spawned;

    PreparedStart() = default;
    PreparedStart(PreparedStart&& other) noexcept;
    PreparedStart& operator=(PreparedStart&& other) noexcept;
    PreparedStart(const PreparedStart&) = delete;
    PreparedStart& operator=(const PreparedStart&) = delete;
    ~PreparedStart(); // closes the run's output descriptor
};

// Under taskLock: marks task `index` as starting (see above). The caller computes the next run
// afterwards, as after any start.
PreparedStart MyTaskPrepareStart(AppContext& ctx, int index, RunTrigger trigger, int64_t dueMs);

// Under taskLock: tells the run observer of the start prepared for a task.
void MyTaskOpenRun(AppContext& ctx, PreparedStart& start);

// Without taskLock: creates the process. The run's output descriptor is closed afterwards.
void MyTaskSpawnPrepared(PreparedStart& start);

// Under taskLock: records how the start went in the task it was prepared for and tells the run
// observer. Returns the task's index, or -1 when it is gone (a started process is then ended,
// since nothing could ever watch it).
int MyTaskFinishStart(AppContext& ctx, PreparedStart& start);

// True for a handle that marks a start under way rather than a process.
inline bool isStartPlaceholder(int32_t processHandle) {
    return processHandle < 0;
}
