// Both workers running against a window that keeps changing the table under taskLock, as its
// commands do. Run under the thread sanitizer this is the check that every shared access is
// guarded; in any build it checks that no start and no end is lost or doubled.

#include "engine/launch.h"
#include "engine/workers.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace reliability;
using testing_support::FakeClock;
using testing_support::makeTask;

namespace {

TEST(WorkersStress, CommandsSchedulerAndWatcherShareTheTable) {
    Scene scene;
    FakeClock clock(2024, 5, 10, 9, 0, 0);
    testing_support::writeFile(scene.taskFile, "", 0600);
    const std::string program = scene.script("quick.sh", "exit 0\n");
    std::vector<TaskRecord> records;
    for (int i = 0; i < 12; ++i) {
        TaskDraft draft;
        draft.name = "task" + std::to_string(i);
        draft.registeredFile = program;
        draft.nextRun = "2024/05/10";
        records.push_back(makeTask(draft));
    }
    scene.setTable(records);
    std::atomic<int> ends{0}, updates{0};
    scene.ctx->viewWindow = [&](int message, int) { (message == WM_MYTASKEND ? ends : updates)++; };

    ASSERT_TRUE(MyCreateWorkers(*scene.ctx));
    scene.ctx->schedulerRunEvent.set();
    scene.ctx->watcherRunEvent.set();

    // The window: run-now, disable and enable, add and delete, a redraw's reads, every change
    // written, each under taskLock, for about two seconds.
    int runNows = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (int round = 0; std::chrono::steady_clock::now() < until; ++round) {
        {
            TaskLockGuard lock(scene.ctx->taskLock);
            AppContext& ctx = *scene.ctx;
            const int i = round % ctx.taskCount;
            TaskRecord& t = ctx.tasks[static_cast<size_t>(i)];
            switch (round % 4) {
            case 0:
                if (t.state != StateRunning && t.processInfo.processHandle == 0) {
                    MyTaskExec(ctx, i);
                    MySetNextExec(ctx, i);
                    runNows += t.launchResult == LaunchStarted;
                }
                break;
            case 1:
                if (t.state == StateWaiting)
                    t.state = StateDisabled;
                else if (t.state == StateDisabled)
                    t.state = StateWaiting;
                break;
            case 2: {
                ctx.tasks.resize(static_cast<size_t>(ctx.taskCount) + 1);
                TaskDraft draft;
                draft.name = "added" + std::to_string(round);
                draft.registeredFile = program;
                ctx.tasks.back() = makeTask(draft);
                MySetNextExec(ctx, ctx.taskCount);
                ++ctx.taskCount;
                break;
            }
            case 3:
                // Delete the last task unless its process is watched.
                if (ctx.tasks.back().processInfo.processHandle == 0 && ctx.taskCount > 12) {
                    ctx.tasks.pop_back();
                    --ctx.taskCount;
                }
                break;
            }
            for (int j = 0; j < ctx.taskCount; ++j)
                (void)fieldView(ctx.tasks[static_cast<size_t>(j)].nextRunText);
            MyTaskWrite(ctx, ctx.taskFilePath);
        }
        // A fresh day every so often makes every task due again.
        if (round % 50 == 49) {
            TaskLockGuard lock(scene.ctx->taskLock);
            clock.advanceSeconds(24 * 3600);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    // Let every process end and be recorded, then stop.
    scene.ctx->schedulerRunEvent.reset();
    const bool settled = engine_test::waitUntil([&] {
        TaskLockGuard lock(scene.ctx->taskLock);
        for (const TaskRecord& t : scene.ctx->tasks) {
            if (t.processInfo.processHandle != 0 || t.state == StateRunning)
                return false;
        }
        return true;
    });
    MyStopWorkers(*scene.ctx);
    EXPECT_TRUE(settled);
    EXPECT_GT(runNows, 0);
    EXPECT_GT(updates.load(), 0);
    EXPECT_GT(ends.load(), runNows); // the scheduler's starts ended too
    const std::vector<TaskRecord> saved = testing_support::readTaskFile(scene.taskFile);
    EXPECT_GE(saved.size(), 12u);
    endAllProcesses(*scene.ctx);
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

} // namespace
