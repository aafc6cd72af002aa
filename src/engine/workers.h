#pragma once
// The scheduler worker (starts due tasks) and the watcher worker (sees their processes end).

#include "store/app_context.h"

void MyThreadTaskStart(AppContext* ctx);
void MyThreadTaskWatch(AppContext* ctx);

// One pass of the scheduler worker over the task table, under taskLock: file states brought up
// to date, a next run left on a past day recomputed (or, with the catch-up on, its missed run
// made once), every due task started. True when anything changed (the list window has then been
// asked to redraw every row).
bool MySchedulerPass(AppContext& ctx);

// Creates both workers idle (their run events not set). False when a thread cannot be made.
bool MyCreateWorkers(AppContext& ctx);
// Resets each run event before setting its stop event, then waits for both workers to end.
void MyStopWorkers(AppContext& ctx);
