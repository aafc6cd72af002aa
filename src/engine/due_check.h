#pragma once
// Whether a task is due at a moment: the rule the scheduler's pass starts tasks by, also asked
// ahead of a minute to get its starts ready.

#include "platform/clock.h"
#include "store/task_record.h"

// A moment as the task records write it: "YYYY/MM/DD" and "HH:MM:SS".
struct DueMoment {
    char date[16];
    char time[16];
};
DueMoment dueMoment(const platform::LocalTime& t);

// Due when its next run is that day, its run time has come by that moment, and it is neither
// off, nor running, nor done, nor still holding a process.
bool MyTaskIsDue(const TaskRecord& task, const DueMoment& at);
