#pragma once
// Whether a task missed a run: a plain rule on the task, the clock and the last time the
// program looked at the clock.

#include "platform/clock.h"
#include "store/catch_up_state.h"
#include "store/task_record.h"

#include <optional>

// The tasks that the scheduler starts when they are due: not Disabled, Running or Completed,
// and no process of theirs still watched.
bool schedulerMayStart(const TaskRecord& task);

// A local date and time as seconds on one continuous count (days since 1970-01-01 on the local
// calendar). Only differences and order mean anything. nullopt for a date that is no day.
std::optional<long long> localSeconds(const platform::LocalTime& t);

// The run that task was waiting for, when it has missed it by `now`:
//  - the scheduler would start the task;
//  - the run it waits for, its next run day at its run time, has come (the same test as the
//    due test: due from second 00 of its minute), on or after the task's start date;
//  - no run of that day or a later one is recorded;
//  - the run came after `lastLook`, the local seconds at which the program last looked at the
//    clock. A run that a look saw come was started then, or passed over on purpose (the task
//    was disabled or still running). nullopt: the program was not running before `now`.
// A run time that is not "HH:MM" of a real minute was never due, so it is never missed.
std::optional<MissedRun> findMissedRun(const TaskRecord& task, const platform::LocalTime& now,
                                       std::optional<long long> lastLook);
