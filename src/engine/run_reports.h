#pragma once
// The engine's side of the run observer: what MyTaskExec, the watcher and force-terminate tell
// it, and the run id of each running process. Each does nothing without an observer. All under
// taskLock.

#include "engine/run_observer.h"
#include "platform/process.h"
#include "store/app_context.h"

// Asks the observer for a run id and an output descriptor for the start of `task`.
RunPreparation prepareRunReport(AppContext& ctx, const TaskRecord& task, RunTrigger trigger,
                                int64_t dueMs);

// Tells the observer how the start of `executable` (cp932) went and keeps the run id of a
// started process.
void reportRunStart(AppContext& ctx, const RunPreparation& run,
                    const platform::SpawnResult& spawned, int64_t startMs,
                    const std::string& executable);

// Tells the observer how the process `pid` ended (`killed`: by force-terminate), and forgets
// its run id. An end whose status could not be collected is not told.
void reportRunEnd(AppContext& ctx, int32_t pid, const platform::ProcessEnd& end, bool killed);
