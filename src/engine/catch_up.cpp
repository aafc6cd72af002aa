#include "engine/catch_up.h"

#include "engine/launch.h"
#include "engine/missed_run.h"
#include "engine/next_exec.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Passes come twice a second; a wall clock further on than this between two of them was set
// forward, or the machine slept without anyone saying so.
constexpr long long kClockJumpSeconds = 90;

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

// Task i's one make-up run, through the scheduler's own start; then, as after any start, its
// next run is computed and the table written. A task whose end date has passed is not started:
// the computation completes it.
void makeUpRun(AppContext& ctx, int index, const MissedRun& run, int today) {
    const TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    if (endDatePassed(task, today)) {
        tracef("タスク（%s）は終了日を過ぎたため、%s の実行は行いません。", nameOf(task).c_str(),
               runText(run).c_str());
    } else {
        tracef("タスク（%s）の %s の実行が行われていないため、1 回だけ実行します。",
               nameOf(task).c_str(), runText(run).c_str());
        // The only place where a make-up run starts.
        MyTaskExec(ctx, index, RunTrigger::CatchUp, dueMsOf(run));
    }
    MySetNextExec(ctx, index);
    MyTaskWrite(ctx, ctx.taskFilePath);
}

int taskCount(const AppContext& ctx) {
    return std::min(ctx.taskCount, static_cast<int>(ctx.tasks.size()));
}

// The runs noted at start-up, in table order. A task run meanwhile (by hand) or no longer
// startable is left alone; a task deleted meanwhile is simply not found.
bool makePendingRuns(AppContext& ctx, int today) {
    std::vector<PendingCatchUp> pending;
    pending.swap(ctx.catchUp.pending);
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

} // namespace

void MyCatchUpAtStartup(AppContext& ctx) {
    const platform::LocalTime now = platform::localTime();
    CatchUpState& state = ctx.catchUp;
    state.pending.clear();
    const std::optional<long long> seconds = localSeconds(now);
    state.looked = seconds.has_value();
    state.lastLook = seconds.value_or(0);
    if (!state.enabled)
        return;
    const int today = platform::dateNumber(now);
    for (int i = 0; i < taskCount(ctx); ++i) {
        const TaskRecord& task = ctx.tasks[static_cast<size_t>(i)];
        const std::optional<MissedRun> run = findMissedRun(task, now, std::nullopt);
        if (!run)
            continue;
        if (endDatePassed(task, today)) {
            tracef("タスク（%s）は終了日を過ぎたため、%s の実行は行いません。",
                   nameOf(task).c_str(), runText(*run).c_str());
            continue;
        }
        PendingCatchUp entry;
        setField(entry.name, fieldView(task.name));
        entry.run = *run;
        state.pending.push_back(entry);
    }
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
    if (!look.on) {
        state.pending.clear();
        return false;
    }
    const int today = platform::dateNumber(now);
    bool changed = makePendingRuns(ctx, today);
    if (!resumed && moved <= kClockJumpSeconds)
        return changed;
    if (resumed)
        traceLine("スリープからの復帰後、過ぎた実行を確かめます。");
    else
        tracef("時計が %lld 秒進みました。過ぎた実行を確かめます。", moved);
    for (int i = 0; i < taskCount(ctx); ++i)
        changed = MyCatchUpPastRun(ctx, i, now, look) || changed;
    return changed;
}

bool MyCatchUpPastRun(AppContext& ctx, int index, const platform::LocalTime& now,
                      const CatchUpLook& look) {
    if (!look.on || index < 0 || index >= taskCount(ctx))
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
