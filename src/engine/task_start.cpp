#include "engine/task_start.h"

#include "engine/launch.h"
#include "engine/run_reports.h"
#include "platform/clock.h"
#include "platform/output_pipe.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/trace.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// Placeholders count down from -1; a table never holds anywhere near 2^31 starts at once.
int32_t nextPlaceholder(AppContext& ctx) {
    if (ctx.nextStartPlaceholder >= 0)
        ctx.nextStartPlaceholder = -1;
    return ctx.nextStartPlaceholder--;
}

int indexOfPlaceholder(const AppContext& ctx, int32_t placeholder) {
    for (int i = 0; i < ctx.taskCount && static_cast<size_t>(i) < ctx.tasks.size(); ++i) {
        if (ctx.tasks[static_cast<size_t>(i)].processInfo.processHandle == placeholder)
            return i;
    }
    return -1;
}

// An output descriptor is a file descriptor, not a process handle: on Windows the two are
// different kinds of number, and closing one as the other would close an unrelated handle.
void closeOutput(RunPreparation& run) {
    platform::closeDescriptor(run.outputFd);
    run.outputFd = -1;
}

} // namespace

PreparedStart::PreparedStart(PreparedStart&& other) noexcept
    : placeholder(other.placeholder), stateBefore(other.stateBefore), trigger(other.trigger),
      dueMs(other.dueMs), executable(std::move(other.executable)),
      argument(std::move(other.argument)), run(other.run), startMs(other.startMs),
      spawned(other.spawned) {
    other.run.outputFd = -1;
}

PreparedStart& PreparedStart::operator=(PreparedStart&& other) noexcept {
    if (this != &other) {
        closeOutput(run);
        placeholder = other.placeholder;
        stateBefore = other.stateBefore;
        trigger = other.trigger;
        dueMs = other.dueMs;
        executable = std::move(other.executable);
        argument = std::move(other.argument);
        run = other.run;
        startMs = other.startMs;
        spawned = other.spawned;
        other.run.outputFd = -1;
    }
    return *this;
}

PreparedStart::~PreparedStart() {
    closeOutput(run);
}

PreparedStart MyTaskPrepareStart(AppContext& ctx, int index, RunTrigger trigger, int64_t dueMs) {
    PreparedStart start;
    if (index < 0 || index >= ctx.taskCount || static_cast<size_t>(index) >= ctx.tasks.size())
        return start;
    TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    tracef("タスク（%s）を実行します。", platform::cp932ToUtf8Lossy(fieldView(task.name)).c_str());

    std::memset(&task.startupInfo, 0, sizeof task.startupInfo);
    std::memset(&task.processInfo, 0, sizeof task.processInfo);
    task.startupInfo.size = sizeof task.startupInfo;
    task.startupInfo.showWindow = 10; // show default

    // The program gets the registered file as its one argument unless it is that file itself.
    // No shell is involved, so the quoted line below is only what the trace shows.
    start.executable = fieldString(task.executableFile);
    if (!equalsIgnoringAsciiCase(start.executable, fieldView(task.registeredFile)))
        start.argument = fieldString(task.registeredFile);
    tracef("%s", platform::cp932ToUtf8Lossy(taskCommandLine(task)).c_str());
    start.trigger = trigger;
    start.dueMs = dueMs;

    start.placeholder = nextPlaceholder(ctx);
    start.stateBefore = task.state;
    task.processInfo.processHandle = start.placeholder;
    task.state = StateRunning;

    // A failed start counts as the day's run too, so that the next run moves past today.
    const platform::LocalTime now = platform::localTime();
    task.lastRunDate = platform::dateNumber(now);
    char text[sizeof task.lastRunText];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", now.year % 10000, now.month % 100,
                  now.day % 100);
    setField(task.lastRunText, text);
    return start;
}

void MyTaskOpenRun(AppContext& ctx, PreparedStart& start) {
    const int index = indexOfPlaceholder(ctx, start.placeholder);
    if (start.placeholder == 0 || index < 0)
        return;
    closeOutput(start.run);
    start.run =
        prepareRunReport(ctx, ctx.tasks[static_cast<size_t>(index)], start.trigger, start.dueMs);
}

void MyTaskSpawnPrepared(PreparedStart& start) {
    if (start.placeholder == 0)
        return;
    start.startMs = platform::epochMsNow();
    start.spawned = platform::spawnProcess(start.executable, start.argument, start.run.outputFd);
    closeOutput(start.run);
}

int MyTaskFinishStart(AppContext& ctx, PreparedStart& start) {
    if (start.placeholder == 0)
        return -1;
    const platform::SpawnResult& spawned = start.spawned;
    const int index = indexOfPlaceholder(ctx, start.placeholder);
    if (index < 0) {
        // Nothing marked as starting can be deleted or changed, so this does not happen; a
        // process nobody could watch is not left running all the same.
        if (spawned.started) {
            platform::terminateProcess(spawned.handle, spawned.pid);
            platform::closeHandle(spawned.handle);
        }
        return -1;
    }
    TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    task.processInfo.processHandle = 0;
    if (spawned.started) {
        task.processInfo.processHandle = spawned.handle;
        task.processInfo.threadHandle = 0;
        task.processInfo.processId = spawned.pid;
        task.processInfo.threadId = 0;
        task.launchResult = LaunchStarted;
        ctx.watcherWake.signal();
        // Force-terminate asked for while the process was being made.
        if (ctx.killsAtStart.erase(start.placeholder) != 0 &&
            platform::killProcessGroup(spawned.handle, spawned.pid) == platform::KillResult::Sent)
            ctx.killsSent.insert(spawned.pid);
    } else {
        tracef("!!!NG!!! spawnProcess() LastError=%d", spawned.error);
        task.launchResult = LaunchFailed;
        // A failed start leaves the state as it was, unless the next run's computation has
        // completed the task meanwhile (its end date passed).
        if (task.state == StateRunning)
            task.state = start.stateBefore;
        ctx.killsAtStart.erase(start.placeholder);
    }
    reportRunStart(ctx, start.run, spawned, start.startMs, start.executable);
    return index;
}
