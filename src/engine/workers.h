#pragma once
// The scheduler worker (starts due tasks) and the watcher worker (sees their processes end).

#include "store/app_context.h"

void MyThreadTaskStart(AppContext* ctx);
void MyThreadTaskWatch(AppContext* ctx);

// Creates both workers idle (their run events not set). False when a thread cannot be made.
bool MyCreateWorkers(AppContext& ctx);
// Resets each run event before setting its stop event, then waits for both workers to end.
void MyStopWorkers(AppContext& ctx);
