#include "engine/due_check.h"

#include "store/fields.h"

#include <cstdio>
#include <string_view>

DueMoment dueMoment(const platform::LocalTime& t) {
    DueMoment at;
    std::snprintf(at.date, sizeof at.date, "%04d/%02d/%02d", t.year % 10000, t.month % 100,
                  t.day % 100);
    std::snprintf(at.time, sizeof at.time, "%02d:%02d:%02d", t.hour % 100, t.minute % 100,
                  t.second % 100);
    return at;
}

bool MyTaskIsDue(const TaskRecord& task, const DueMoment& at) {
    if (task.state == StateDisabled || task.state == StateRunning || task.state == StateCompleted)
        return false;
    // A task still holding a process is never started twice: the first process would lose its
    // handle and never be watched or reaped.
    if (task.processInfo.processHandle != 0)
        return false;
    const std::string_view nextRun = fieldView(task.nextRunText);
    if (nextRun.empty() || nextRun != at.date)
        return false;
    // Byte-wise, "09:00" is not greater than "09:00:00": due from second 00 of its minute.
    return fieldView(task.runTime).compare(at.time) <= 0;
}
