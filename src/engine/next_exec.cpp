#include "engine/next_exec.h"

#include "platform/clock.h"
#include "store/fields.h"
#include "store/trace.h"

#include <cstdio>
#include <limits>
#include <string_view>
#include <vector>

namespace {

// Beyond every real day of the calendar: a walk from here finds nothing.
constexpr int32_t kPastLastDay = std::numeric_limits<int32_t>::max();

enum class RuleOutcome {
    NoMatch,  // not a run day of this schedule: look at the next day
    Match,    // this day is the next run
    OnceDone, // a once-only task that already ran: no next run at all
    NoRule,   // no schedule flag set: leave the next run as it is
};

RuleOutcome applyRule(const TaskRecord& task, const CalendarDay& day) {
    // The first flag that is set decides, whatever the others say.
    if (task.once)
        return task.lastRunDate != 0 ? RuleOutcome::OnceDone : RuleOutcome::Match;
    if (task.daily)
        return RuleOutcome::Match;
    if (task.weekdays)
        return day.kind == DayWeekday ? RuleOutcome::Match : RuleOutcome::NoMatch;
    if (task.holidays)
        return day.kind != DayWeekday ? RuleOutcome::Match : RuleOutcome::NoMatch;
    if (task.chosenDays) {
        // The day of week indexes the record's flags; only the table's own 0..6 may do so.
        const bool chosen = day.dayOfWeek < 7 && task.dayFlags[day.dayOfWeek] != 0;
        return chosen ? RuleOutcome::Match : RuleOutcome::NoMatch;
    }
    return RuleOutcome::NoRule;
}

void setNextRun(TaskRecord& task, int32_t date) {
    task.nextRunDate = date;
    clearField(task.nextRunText);
    std::snprintf(task.nextRunText, sizeof task.nextRunText, "%04d/%02d/%02d", date / 10000,
                  (date % 10000) / 100, date % 100);
}

void clearNextRun(TaskRecord& task) {
    task.nextRunDate = 0;
    clearField(task.nextRunText);
}

void complete(TaskRecord& task) {
    clearNextRun(task);
    task.state = StateCompleted;
}

// The calendar day after `date`. A date the calendar does not hold stays as it is; the last day
// of the calendar has no following day, so nothing on or after the result can be found (the
// fill entry after it must not be taken for a date, it would restart the walk in 1970).
int32_t followingDay(const std::vector<CalendarDay>& calendar, int32_t date) {
    for (size_t i = 0; i < calendar.size(); ++i) {
        if (calendar[i].date != date)
            continue;
        if (i + 1 < calendar.size() && calendar[i + 1].date > date)
            return calendar[i + 1].date;
        return kPastLastDay;
    }
    return date;
}

int computeNextRun(AppContext& ctx, int index) {
    // The slot just past the count is allowed (add and drop prepare it there), but it has to
    // exist; a negative index is as much out of range as one past the prepared slot.
    if (index < 0 || index > ctx.taskCount || static_cast<size_t>(index) >= ctx.tasks.size())
        return -9;
    TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];

    const platform::LocalTime now = platform::localTime();
    char timeText[16];
    std::snprintf(timeText, sizeof timeText, "%02d:%02d", now.hour, now.minute);
    const int32_t today = platform::dateNumber(now);

    // When the run minute has come or passed, today is no longer a candidate. The times compare
    // as byte strings, as "HH:MM" texts order themselves.
    bool skipToday = std::string_view(timeText) >= fieldView(task.runTime);

    if (task.endDate != 0 && task.endDate < today) {
        complete(task);
        return 0;
    }

    int32_t base = today;
    if (task.startDate != 0 && task.startDate > today)
        base = task.startDate;
    // A task that already ran on its base day (on schedule or by hand) waits for a later day.
    if (task.lastRunDate != 0 && task.lastRunDate == base)
        base = followingDay(ctx.calendar, base);

    for (const CalendarDay& day : ctx.calendar) {
        if (day.date < base)
            continue;
        if (task.endDate != 0 && task.endDate < day.date) {
            complete(task);
            return 0;
        }
        switch (applyRule(task, day)) {
        case RuleOutcome::NoMatch:
            continue;
        case RuleOutcome::Match:
            setNextRun(task, day.date);
            break;
        case RuleOutcome::OnceDone:
            clearNextRun(task);
            break;
        case RuleOutcome::NoRule:
            break;
        }
        if (skipToday && task.nextRunDate == today) {
            skipToday = false;
            continue;
        }
        return 0;
    }
    // No day up to the end of the calendar (or no calendar at all): the next run stays as it was.
    return 0;
}

} // namespace

int MySetNextExec(AppContext& ctx, int index) {
    traceLine("MySetNextExec() Start");
    const int result = computeNextRun(ctx, index);
    tracef("MySetNextExec() End Ret=%d", result);
    return result;
}
