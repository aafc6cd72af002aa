#include "engine/catch_up.h"

#include "engine/launch.h"
#include "engine/made_up_runs.h"
#include "engine/missed_run.h"
#include "engine/next_exec.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Passes come twice a second; a wall clock further on than this between two of them was set
// forward, or the machine slept without anyone saying so; further back, it was set back.
constexpr long long kClockJumpSeconds = 90;
// How long the wall clock must run on steadily after a leap forward before the runs the leap
// passed over are made: time sync puts a wrong clock right within seconds of a boot or a wake.
constexpr long long kSteadySeconds = 60;

std::string nameOf(const TaskRecord& task) {
    return platform::cp932ToUtf8Lossy(fieldView(task.name));
}

std::string runText(const MissedRun& run) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", run.date / 10000 % 10000,
                  run.date / 100 % 100, run.date % 100, run.hour % 100, run.minute % 100);
    return text;
}

// The missed minute, in ms since the epoch: what the run history keeps as a make-up run's due.
int64_t dueMsOf(const MissedRun& run) {
    platform::LocalTime due;
    due.year = run.date / 10000;
    due.month = run.date / 100 % 100;
    due.day = run.date % 100;
    due.hour = run.hour;
    due.minute = run.minute;
    return platform::epochMsOfLocal(due);
}

bool endDatePassed(const TaskRecord& task, int today) {
    return task.endDate != 0 && task.endDate < today;
}

// A make-up run stands for the missed day's run, not today's. The record says so with its two
// last-run fields: lastRunText keeps the day the program really ran (what the list shows),
// while lastRunDate, which only the next-run computation reads, names the missed day. So a day
// whose run minute is still ahead keeps its run, also when the next run is computed again
// later (a restart, a change of the task), and a second make-up of the same day is known.
void keepTheMissedDay(TaskRecord& task, const MissedRun& run) {
    if (run.date > 0 && run.date < task.lastRunDate)
        task.lastRunDate = run.date;
}

// Task i's one make-up run, through the scheduler's own start; then, as after any start, its
// next run is computed and the table written. A task whose end date has passed is not started:
// the computation completes it.
void makeUpRun(AppContext& ctx, int index, const MissedRun& run, int today) {
    const TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    if (endDatePassed(task, today)) {
        tracef("タスク（%s）は終了日を過ぎたため、%s の実行は行いません。", nameOf(task).c_str(),
               runText(run).c_str());
    } else if (ctx.madeUpRuns &&
               ctx.madeUpRuns->alreadyMade(fieldString(task.name), dueMsOf(run))) {
        // The task file could not keep the last make-up (it could not be written): the history
        // still knows it was made, so it is not made again; the next run moves on.
        tracef("タスク（%s）の %s の実行は、すでに行いました。", nameOf(task).c_str(),
               runText(run).c_str());
    } else {
        tracef("タスク（%s）の %s の実行が行われていないため、1 回だけ実行します。",
               nameOf(task).c_str(), runText(run).c_str());
        // The only place where a make-up run starts.
        MyTaskExec(ctx, index, RunTrigger::CatchUp, dueMsOf(run));
        keepTheMissedDay(ctx.tasks[static_cast<size_t>(index)], run);
    }
    MySetNextExec(ctx, index);
    MyTaskWrite(ctx, ctx.taskFilePath);
}

int taskCount(const AppContext& ctx) {
    return std::min(ctx.taskCount, static_cast<int>(ctx.tasks.size()));
}

// Runs noted earlier (at start-up, or passed over by a leap of the clock), in table order. A
// task run meanwhile (by hand) or no longer startable is left alone; a task deleted meanwhile is
// simply not found.
bool makeNotedRuns(AppContext& ctx, std::vector<PendingCatchUp>& noted, int today) {
    std::vector<PendingCatchUp> pending;
    pending.swap(noted);
    bool changed = false;
    for (int i = 0; i < taskCount(ctx) && !pending.empty(); ++i) {
        const TaskRecord& task = ctx.tasks[static_cast<size_t>(i)];
        const auto found = std::find_if(pending.begin(), pending.end(), [&](const auto& p) {
            return fieldView(p.name) == fieldView(task.name);
        });
        if (found == pending.end())
            continue;
        const MissedRun run = found->run;
        pending.erase(found);
        if (!schedulerMayStart(task) || task.lastRunDate >= run.date)
            continue;
        makeUpRun(ctx, i, run, today);
        changed = true;
    }
    return changed;
}

// Notes each task's missed run since `lastLook` (nullopt: since ever, at start-up), a task at
// most once. While the program runs, a run of today that has come is the due test's, which
// starts it late by itself.
void noteMissedRuns(AppContext& ctx, const platform::LocalTime& now,
                    std::optional<long long> lastLook, std::vector<PendingCatchUp>& noted) {
    const int today = platform::dateNumber(now);
    for (int i = 0; i < taskCount(ctx); ++i) {
        const TaskRecord& task = ctx.tasks[static_cast<size_t>(i)];
        if (lastLook && task.nextRunDate >= today)
            continue;
        const std::optional<MissedRun> run = findMissedRun(task, now, lastLook);
        if (!run)
            continue;
        if (endDatePassed(task, today)) {
            tracef("タスク（%s）は終了日を過ぎたため、%s の実行は行いません。",
                   nameOf(task).c_str(), runText(*run).c_str());
            continue;
        }
        const bool known = std::any_of(noted.begin(), noted.end(), [&](const auto& p) {
            return fieldView(p.name) == fieldView(task.name);
        });
        if (known)
            continue;
        PendingCatchUp entry;
        setField(entry.name, fieldView(task.name));
        entry.run = *run;
        noted.push_back(entry);
    }
}

long long momentOf(const MissedRun& run) {
    platform::LocalTime t;
    t.year = run.date / 10000;
    t.month = run.date / 100 % 100;
    t.day = run.date % 100;
    t.hour = run.hour;
    t.minute = run.minute;
    return localSeconds(t).value_or(0);
}

// Task i's next run computed again from the corrected clock, as at start-up; but a run recorded
// on a day that the clock set back has not reached again still counts, so the next run comes
// after that day and no day runs twice.
void recomputeFromCorrectedClock(AppContext& ctx, int index, int today) {
    TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    const int32_t startDate = task.startDate;
    if (task.lastRunDate > today && task.lastRunDate > task.startDate)
        task.startDate = task.lastRunDate;
    MySetNextExec(ctx, index);
    task.startDate = startDate;
}

// The clock was set back: every next run is computed again from the corrected time, so that a
// leap into a false future that moved next runs on costs no real run. Of the runs that leap
// held, only those that really came (before now) are still made up, at once. True when the
// table changed (it has then been written).
bool afterClockSetBack(AppContext& ctx, long long seconds, int today) {
    CatchUpState& state = ctx.catchUp;
    std::vector<PendingCatchUp> held;
    held.swap(state.held);
    state.holding = false;
    for (const PendingCatchUp& entry : held) {
        if (momentOf(entry.run) <= seconds)
            state.pending.push_back(entry);
    }
    bool changed = false;
    for (int i = 0; i < taskCount(ctx); ++i) {
        const TaskRecord before = ctx.tasks[static_cast<size_t>(i)];
        recomputeFromCorrectedClock(ctx, i, today);
        changed =
            changed || std::memcmp(&before, &ctx.tasks[static_cast<size_t>(i)], sizeof before) != 0;
    }
    if (changed)
        MyTaskWrite(ctx, ctx.taskFilePath);
    return changed;
}

} // namespace

void MyCatchUpAtStartup(AppContext& ctx) {
    const platform::LocalTime now = platform::localTime();
    CatchUpState& state = ctx.catchUp;
    state.pending.clear();
    state.held.clear();
    state.holding = false;
    const std::optional<long long> seconds = localSeconds(now);
    state.looked = seconds.has_value();
    state.lastLook = seconds.value_or(0);
    if (state.enabled)
        noteMissedRuns(ctx, now, std::nullopt, state.pending);
}

void MyCatchUpAfterResume(AppContext& ctx) {
    ctx.catchUp.resumed = true;
}

bool MyCatchUpBeginPass(AppContext& ctx, const platform::LocalTime& now, CatchUpLook& look) {
    CatchUpState& state = ctx.catchUp;
    const std::optional<long long> seconds = localSeconds(now);
    look.on = state.enabled;
    look.lastLook = state.looked ? std::optional<long long>(state.lastLook) : std::nullopt;
    const bool resumed = state.resumed.exchange(false);
    const long long moved = seconds && look.lastLook ? *seconds - *look.lastLook : 0;
    if (seconds) {
        state.looked = true;
        state.lastLook = *seconds;
    }
    bool changed = false;
    if (moved < -kClockJumpSeconds) {
        tracef("時計が %lld 秒戻りました。次回実行を計算し直します。", -moved);
        changed = afterClockSetBack(ctx, *seconds, platform::dateNumber(now));
    } else if (moved > kClockJumpSeconds) {
        tracef("時計が %lld 秒進みました。時計が落ち着くまで、過ぎた実行を待たせます。", moved);
        state.holding = true;
        state.steadySince = *seconds;
        // Noted now, before the pass moves the passed next runs on.
        if (look.on)
            noteMissedRuns(ctx, now, look.lastLook, state.held);
    }
    // A wake explains the leap: the machine slept, the clock is right.
    const bool steady = state.holding && seconds && *seconds - state.steadySince >= kSteadySeconds;
    const bool release = state.holding && (resumed || steady);
    if (release)
        state.holding = false;
    look.holding = state.holding;
    if (!look.on) {
        state.pending.clear();
        state.held.clear();
        return changed;
    }
    const int today = platform::dateNumber(now);
    changed = makeNotedRuns(ctx, state.pending, today) || changed;
    if (release) {
        if (!resumed)
            traceLine("時計が落ち着いたため、過ぎた実行を確かめます。");
        changed = makeNotedRuns(ctx, state.held, today) || changed;
    }
    if (!resumed)
        return changed;
    traceLine("スリープからの復帰後、過ぎた実行を確かめます。");
    for (int i = 0; i < taskCount(ctx); ++i)
        changed = MyCatchUpPastRun(ctx, i, now, look) || changed;
    return changed;
}

bool MyCatchUpPastRun(AppContext& ctx, int index, const platform::LocalTime& now,
                      const CatchUpLook& look) {
    // While a leap forward is held, its runs wait in the held list, not here.
    if (!look.on || look.holding || index < 0 || index >= taskCount(ctx))
        return false;
    const TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    const int today = platform::dateNumber(now);
    // A run of today that has come is the due test's, which starts it late by itself.
    if (task.nextRunDate == 0 || task.nextRunDate >= today)
        return false;
    const std::optional<MissedRun> run = findMissedRun(task, now, look.lastLook);
    if (!run)
        return false;
    makeUpRun(ctx, index, *run, today);
    return true;
}
