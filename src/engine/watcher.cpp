// The watcher worker: sees the processes of running tasks end and sets the tasks back to
// Waiting, or Completed when they run only once.
//
// The wait on the processes happens outside taskLock, on duplicates of their handles: the
// window paints and runs its commands under the same lock, and a lock that one thread releases
// and takes again at once can keep the others out for a long time. After the wait the lock is
// taken again and an end is recorded only for a task that still holds the same process; one
// that was force-terminated meanwhile no longer does.

#include "engine/launch.h"
#include "engine/workers.h"
#include "platform/event.h"
#include "platform/process.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/trace.h"

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int kPauseMs = 500;

// A duplicated process handle, closed with its owner.
class OwnedHandle {
public:
    explicit OwnedHandle(int handle) : handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ >= 0)
            platform::closeHandle(handle_);
    }
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}
    OwnedHandle& operator=(OwnedHandle&&) = delete;
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    int get() const { return handle_; }

private:
    int handle_;
};

// One running process as the table showed it when the pass looked.
struct Watched {
    int32_t handle;
    int32_t processId;
    OwnedHandle duplicate;
};

std::vector<Watched> collectRunning(AppContext& ctx) {
    std::vector<Watched> watched;
    TaskLockGuard lock(ctx.taskLock);
    for (int j = 0; j < ctx.taskCount && static_cast<size_t>(j) < ctx.tasks.size(); ++j) {
        const ProcessBlock& process = ctx.tasks[static_cast<size_t>(j)].processInfo;
        if (process.processHandle == 0)
            continue;
        const int duplicate = platform::duplicateHandle(process.processHandle);
        if (duplicate < 0) {
            tracef("!!!NG!!! duplicateHandle() LastError=%d", errno);
            continue;
        }
        watched.push_back(
            Watched{process.processHandle, process.processId, OwnedHandle(duplicate)});
    }
    return watched;
}

void recordEnd(AppContext& ctx, int row) {
    TaskRecord& task = ctx.tasks[static_cast<size_t>(row)];
    tracef("タスク（%s）の終了を検出しました。",
           platform::cp932ToUtf8Lossy(fieldView(task.name)).c_str());
    platform::reapProcess(task.processInfo.processId);
    MyReleaseTaskProcess(task);
    ctx.refreshRow = row;
    ctx.post(WM_MYTASKEND, row);
}

// Records the ends of the processes that have ended, in table order, each through the task
// that still holds that very process. Which have ended is asked again once the table is held:
// processes that end while a command holds it are then recorded together, in table order.
void recordEnds(AppContext& ctx, const std::vector<Watched>& watched) {
    TaskLockGuard lock(ctx.taskLock);
    std::vector<const Watched*> ended;
    for (const Watched& process : watched) {
        if (platform::waitForAnyProcess({process.duplicate.get()}, 0) == 0)
            ended.push_back(&process);
    }
    for (const Watched* process : ended) {
        for (int j = 0; j < ctx.taskCount && static_cast<size_t>(j) < ctx.tasks.size(); ++j) {
            const ProcessBlock& held = ctx.tasks[static_cast<size_t>(j)].processInfo;
            if (held.processHandle != 0 && held.processHandle == process->handle &&
                held.processId == process->processId) {
                recordEnd(ctx, j);
                break;
            }
        }
    }
}

void watcherPass(AppContext& ctx) {
    const std::vector<Watched> watched = collectRunning(ctx);
    if (watched.empty()) {
        platform::waitForAny({&ctx.watcherStopEvent}, kPauseMs);
        return;
    }
    std::vector<int> handles;
    handles.reserve(watched.size());
    for (const Watched& process : watched)
        handles.push_back(process.duplicate.get());

    const int first = platform::waitForAnyProcess(handles, kPauseMs);
    if (first == -1)
        return;
    if (first < 0) {
        tracef("!!!NG!!! WaitForMultipleObjects() LastError=%d", errno);
        // A wait that keeps failing would otherwise spin; pause as when nothing runs.
        platform::waitForAny({&ctx.watcherStopEvent}, kPauseMs);
        return;
    }
    // Every process that has ended by now is recorded in this pass, in table order.
    recordEnds(ctx, watched);
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
