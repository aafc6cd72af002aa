// The scheduler worker: twice a second, on the wall clock's half seconds, it brings the tasks'
// file states up to date and starts the tasks whose day and minute have come.

#include "engine/catch_up.h"
#include "engine/due_check.h"
#include "engine/file_state.h"
#include "engine/holiday_install.h"
#include "engine/launch.h"
#include "engine/next_exec.h"
#include "engine/pass_clock.h"
#include "engine/start_burst.h"
#include "engine/start_warmup.h"
#include "engine/task_start.h"
#include "engine/workers.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/files.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

bool isEnabled(const TaskRecord& task) {
    return task.state == StateWaiting || task.state == StateNoRegisteredFile ||
           task.state == StateNoExecutable;
}

// A task whose next run is a day already gone (the machine slept, or a window command held the
// table past midnight) would never be due again; its next run is computed afresh from today,
// without a start (the catch-up, when it is on, has already made the run it missed). True when
// the record changed: a schedule that matches no day leaves it as it was, so such a task costs
// no write.
bool recomputePastNextRun(AppContext& ctx, int index, int today) {
    TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    if (!isEnabled(task) || task.nextRunDate == 0 || task.nextRunDate >= today)
        return false;
    const TaskRecord before = task;
    MySetNextExec(ctx, index);
    return std::memcmp(&before, &ctx.tasks[static_cast<size_t>(index)], sizeof before) != 0;
}

// The minute a due task was due today (its run time), in ms since the epoch; only the run
// observer wants it. 0 for a run time that is no "HH:MM".
int64_t dueMinuteMs(const AppContext& ctx, const TaskRecord& task, platform::LocalTime today) {
    if (!ctx.runObserver)
        return 0;
    int hour = 0;
    int minute = 0;
    const std::string runTime = fieldString(task.runTime);
    if (std::sscanf(runTime.c_str(), "%2d:%2d", &hour, &minute) != 2)
        return 0;
    today.hour = hour;
    today.minute = minute;
    today.second = 0;
    today.millisecond = 0;
    return platform::epochMsOfLocal(today);
}

// What the locked part of a pass decided: the starts to make and whether the table must be
// written before them.
struct PassDecision {
    std::vector<PreparedStart> starts;
    std::optional<TaskTableCopy> table;
    bool changed = false;
};

// Under taskLock: file states, catch-up, past next runs, and every due task marked as starting
// with its last and next run moved on, as after a start.
PassDecision decide(AppContext& ctx) {
    PassDecision pass;
    TaskLockGuard lock(ctx.taskLock);
    const platform::LocalTime now = platform::localTime();
    const DueMoment at = dueMoment(now);
    const int today = platform::dateNumber(now);
    CatchUpLook look;
    pass.changed = MyCatchUpBeginPass(ctx, now, look);
    bool write = false;

    for (int i = 0; i < ctx.taskCount && static_cast<size_t>(i) < ctx.tasks.size(); ++i) {
        TaskRecord& task = ctx.tasks[static_cast<size_t>(i)];
        if (MyUpdateFileState(task)) {
            pass.changed = true;
            continue;
        }
        // Right after a leap forward of the wall clock a past next run is left as it is: the
        // leap may be undone in a moment, and a task moved on (or completed past its end date)
        // at a false time would miss its real runs.
        if (MyCatchUpPastRun(ctx, i, now, look)) {
            pass.changed = true;
        } else if (!look.holding && recomputePastNextRun(ctx, i, today)) {
            pass.changed = true;
            write = true;
        }
        if (!MyTaskIsDue(task, at))
            continue;
        pass.starts.push_back(
            MyTaskPrepareStart(ctx, i, RunTrigger::Scheduled, dueMinuteMs(ctx, task, now)));
        pass.changed = true;
        write = true;
        MySetNextExec(ctx, i);
    }
    if (write)
        pass.table = MyTaskTableCopy(ctx);
    return pass;
}

} // namespace

// A pass writes the table at most twice, whatever the number of starts: once before them, so
// that a crash while they are made cannot start any of them again (each already has today as
// its last run and its next run moved on), and once after, with how each went. The first write
// is not forced to the disk, which would hold back every start by the disk's flush; the second,
// a moment later, forces both. taskLock is held to decide and to record, never while a process
// is created or the disk works, so the watcher records ends and the window paints meanwhile; a
// task being started counts as running for every command, so none can change or remove it
// half-way.
bool MySchedulerPass(AppContext& ctx) {
    PassDecision pass = decide(ctx);
    if (pass.table)
        MyTaskWriteCopy(ctx, *pass.table,
                        pass.starts.empty() ? platform::Flush::ToDisk
                                            : platform::Flush::ToFileSystem);
    // Each start holds the lock only to open its run and to record how it went, so no more than
    // a few starts' output descriptors are open at a time.
    MyTaskStartPrepared(ctx, pass.starts);

    bool changed = pass.changed;
    {
        TaskLockGuard lock(ctx.taskLock);
        std::optional<TaskTableCopy> after;
        if (!pass.starts.empty())
            after = MyTaskTableCopy(ctx);
        // A holidays.csv installed or removed by another program (the command line's import)
        // takes effect here, after this pass's starts, so that no run due now is passed over.
        changed = MyHolidayReloadIfChanged(ctx) || changed;
        if (!after) {
            if (changed)
                ctx.post(WM_MYTASKUPDATE, 0);
            return changed;
        }
        pass.table = std::move(after);
    }
    // The window is told after the write: while the disk works, the programs just started
    // have the cores to themselves rather than waiting behind the list's redraw.
    MyTaskWriteCopy(ctx, *pass.table);
    ctx.post(WM_MYTASKUPDATE, 0);
    return changed;
}

void MyThreadTaskStart(AppContext* ctx) {
    traceLine("MyThreadTaskStart() Start");
    for (;;) {
        const int signalled =
            platform::waitForAny({&ctx->schedulerRunEvent, &ctx->schedulerStopEvent});
        if (signalled == 1)
            break;
        if (signalled != 0) {
            tracef("!!!NG!!! WaitForMultipleObjects() Ret=%d", signalled);
            continue;
        }
        MySchedulerPass(*ctx);
        // Before a minute with due tasks the worker gets their starts ready and then passes
        // right at its second 00.
        const WarmUp warmUp = MyWarmUpBeforeMinute(*ctx);
        if (warmUp == WarmUp::Stopped)
            break;
        if (warmUp == WarmUp::Ready)
            continue;
        // The next pass begins on the next half second of the wall clock rather than a plain
        // half second after this one, so that the first pass of a minute falls right at its
        // second 00. The pause ends at once when the close asks the worker to stop.
        waitForNextHalfSecond(ctx->schedulerStopEvent);
    }
    traceLine("MyThreadTaskStart() End");
}
