// The watcher worker: sees the processes of running tasks end, collects how each ended, and
// sets the tasks back to Waiting, or Completed when they run only once.
//
// It waits outside taskLock, on the records' own process descriptors plus a wake signal: the
// window paints and runs its commands under the same lock, and a lock that one thread releases
// and takes again at once can keep the others out for a long time. The descriptor numbers are
// copied under the lock; one that a force-terminate closes meanwhile (and that may be reused)
// can only end the wait early, and every change of the running set gives the wake signal
// anyway. After the wait the lock is taken again and each running task's own process is asked,
// without waiting, whether it has ended (which reaps it and gives its status), in table order.
// No descriptor is duplicated, so a table full of running processes needs no more of them.

#include "engine/launch.h"
#include "engine/task_start.h"
#include "engine/workers.h"
#include "platform/event.h"
#include "platform/process.h"
#include "platform/text_codec.h"
#include "platform/wake_signal.h"
#include "store/fields.h"
#include "store/trace.h"

#include <cerrno>
#include <vector>

namespace {

constexpr int kPauseMs = 500;

// The handles of the running tasks, in table order; the wake signal is cleared first, so a
// change made after this look wakes the wait that follows.
std::vector<int> collectRunning(AppContext& ctx) {
    std::vector<int> handles;
    TaskLockGuard lock(ctx.taskLock);
    ctx.watcherWake.clear();
    for (int j = 0; j < ctx.taskCount && static_cast<size_t>(j) < ctx.tasks.size(); ++j) {
        const int32_t handle = ctx.tasks[static_cast<size_t>(j)].processInfo.processHandle;
        // A start under way has no process yet; its finish gives the wake signal.
        if (handle != 0 && !isStartPlaceholder(handle))
            handles.push_back(handle);
    }
    return handles;
}

void recordEnd(AppContext& ctx, int row, const platform::ProcessEnd& end, bool closeHandle) {
    TaskRecord& task = ctx.tasks[static_cast<size_t>(row)];
    tracef("タスク（%s）の終了を検出しました。",
           platform::cp932ToUtf8Lossy(fieldView(task.name)).c_str());
    MyReleaseTaskProcess(ctx, row, end, closeHandle);
    ctx.refreshRow = row;
    ctx.post(WM_MYTASKEND, row);
}

// Records, in table order, the end of every running task's process that has ended by now.
// Processes that end while a command holds the table are thus recorded together.
void recordEnds(AppContext& ctx) {
    TaskLockGuard lock(ctx.taskLock);
    for (int j = 0; j < ctx.taskCount && static_cast<size_t>(j) < ctx.tasks.size(); ++j) {
        const int32_t handle = ctx.tasks[static_cast<size_t>(j)].processInfo.processHandle;
        if (handle == 0 || isStartPlaceholder(handle))
            continue;
        platform::ProcessEnd end;
        switch (platform::collectProcess(handle, end)) {
        case platform::ProcessState::Running:
            break;
        case platform::ProcessState::Ended:
        case platform::ProcessState::Gone:
            recordEnd(ctx, j, end, true);
            break;
        case platform::ProcessState::NotAProcess:
            // Not a process of ours (the number cannot be asked): nothing can ever be seen
            // ending there, so the task is freed, and the number, not being ours, stays open.
            tracef("!!!NG!!! waitid() LastError=%d", errno);
            recordEnd(ctx, j, end, false);
            break;
        }
    }
}

void pause(AppContext& ctx) {
    platform::waitForAny({&ctx.watcherStopEvent}, kPauseMs);
}

void watcherPass(AppContext& ctx) {
    const std::vector<int> handles = collectRunning(ctx);
    // The close sets the stop event before it gives the wake signal, which the look above may
    // have cleared: the stop is then seen here.
    if (ctx.watcherStopEvent.isSet())
        return;
    // Without a wake signal (no descriptor could be had for it) a start is seen at the latest
    // after the pause, as when nothing runs.
    if (handles.empty() && !ctx.watcherWake.valid()) {
        pause(ctx);
        return;
    }
    const int woken = platform::waitForProcessesOrWake(handles, ctx.watcherWake, kPauseMs);
    if (woken < 0) {
        tracef("!!!NG!!! WaitForMultipleObjects() LastError=%d", errno);
        // A wait that keeps failing would otherwise spin.
        pause(ctx);
        return;
    }
    if (!handles.empty())
        recordEnds(ctx);
}

} // namespace

void MyThreadTaskWatch(AppContext* ctx) {
    traceLine("MyThreadTaskWatch() Start");
    for (;;) {
        const int signalled = platform::waitForAny({&ctx->watcherRunEvent, &ctx->watcherStopEvent});
        if (signalled == 1)
            break;
        if (signalled != 0) {
            tracef("!!!NG!!! WaitForMultipleObjects() Ret=%d", signalled);
            continue;
        }
        watcherPass(*ctx);
    }
    traceLine("MyThreadTaskWatch() End");
}
