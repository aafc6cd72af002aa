// The two workers as real threads: processes started, their ends seen, the lock shared fairly,
// and a prompt stop.

#include "engine/calendar.h"
#include "engine/launch.h"
#include "engine/workers.h"
#include "engine_test_helpers.h"
#include "store/fields.h"
#include "store/trace.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

using namespace std::chrono_literals;
using namespace testing_support;
using engine_test::waitUntil;

namespace {

class WatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = engine_test::workerContext(home_.documents(), posts_);
        quick_ = home_.scratch() + "/quick job.sh";
        writeFile(quick_, "#!/bin/sh\nexit 0\n", 0755);
        long_ = home_.scratch() + "/long job.sh";
        writeFile(long_, "#!/bin/sh\nexec sleep 60\n", 0755);
    }
    void TearDown() override {
        MyStopWorkers(*ctx_);
        for (TaskRecord& task : ctx_->tasks)
            engine_test::endTaskProcess(task, 0);
        EXPECT_TRUE(engine_test::zombieChildren().empty());
    }

    TaskRecord& add(const std::string& name, const std::string& program,
                    const std::string& schedule = "毎日") {
        TaskDraft draft;
        draft.name = name;
        draft.schedule = schedule;
        draft.registeredFile = program;
        draft.nextRun = "2024/05/10"; // due now
        ctx_->tasks.push_back(makeTask(draft));
        ctx_->taskCount = static_cast<int32_t>(ctx_->tasks.size());
        return ctx_->tasks.back();
    }
    // A task that the scheduler leaves alone today; the test starts it itself.
    TaskRecord& addForTomorrow(const std::string& name, const std::string& program) {
        TaskDraft draft;
        draft.name = name;
        draft.registeredFile = program;
        draft.nextRun = "2024/05/11";
        ctx_->tasks.push_back(makeTask(draft));
        ctx_->taskCount = static_cast<int32_t>(ctx_->tasks.size());
        return ctx_->tasks.back();
    }
    void startWorkers() {
        ASSERT_TRUE(MyCreateWorkers(*ctx_));
        ctx_->schedulerRunEvent.set();
        ctx_->watcherRunEvent.set();
    }
    // Starts a task's process directly, as run-now does.
    void exec(int index) {
        TaskLockGuard lock(ctx_->taskLock);
        MyTaskExec(*ctx_, index);
        ASSERT_EQ(ctx_->tasks[static_cast<size_t>(index)].state, StateRunning);
    }
    std::vector<int> endedRows() const { return posts_.rows(WM_MYTASKEND); }
    // The process id of a task, read under the lock as the watcher may be clearing it.
    int pid(int index) {
        TaskLockGuard lock(ctx_->taskLock);
        return ctx_->tasks[static_cast<size_t>(index)].processInfo.processId;
    }
    int32_t state(int index) {
        TaskLockGuard lock(ctx_->taskLock);
        return ctx_->tasks[static_cast<size_t>(index)].state;
    }

    TempHome home_;
    FakeClock clock_{2024, 5, 10, 9, 0, 0};
    engine_test::PostLog posts_;
    std::unique_ptr<AppContext> ctx_;
    std::string quick_, long_;
};

bool isZero(const void* block, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    return std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0; });
}

// True when the descriptor is open on a process.
bool isOpenProcessHandle(int handle) {
    char target[64] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(handle);
    return ::readlink(link.c_str(), target, sizeof target - 1) > 0 &&
           std::string(target).find("pidfd") != std::string::npos;
}

TEST_F(WatcherTest, EndedProcessesReturnTheirTasksToWaitingOrCompleted) {
    add("every day", quick_);
    add("once", quick_, "１回のみ");
    startWorkers();

    // The scheduler starts both; the watcher sees both end.
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<int> rows = endedRows();
        return std::count(rows.begin(), rows.end(), 0) == 1 &&
               std::count(rows.begin(), rows.end(), 1) == 1;
    }));
    TaskLockGuard lock(ctx_->taskLock);
    const TaskRecord& daily = ctx_->tasks[0];
    const TaskRecord& once = ctx_->tasks[1];
    EXPECT_EQ(daily.state, StateWaiting);
    EXPECT_EQ(once.state, StateCompleted);
    for (const TaskRecord* task : {&daily, &once}) {
        EXPECT_EQ(task->launchResult, LaunchStarted);
        EXPECT_TRUE(isZero(&task->processInfo, sizeof task->processInfo));
        EXPECT_TRUE(isZero(&task->startupInfo, sizeof task->startupInfo));
        EXPECT_EQ(fieldString(task->lastRunText), "2024/05/10");
    }
    EXPECT_EQ(fieldString(daily.nextRunText), "2024/05/11");
    EXPECT_TRUE(fieldString(once.nextRunText).empty());
    EXPECT_TRUE(ctx_->refreshRow == 0 || ctx_->refreshRow == 1);
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

TEST_F(WatcherTest, HandleOfAnEndedProcessIsClosed) {
    addForTomorrow("long", long_);
    exec(0);
    const ProcessBlock started = ctx_->tasks[0].processInfo;
    ASSERT_TRUE(isOpenProcessHandle(started.processHandle));
    startWorkers();

    ::kill(started.processId, SIGTERM);

    ASSERT_TRUE(waitUntil([&] { return endedRows() == std::vector<int>{0}; }));
    EXPECT_EQ(state(0), StateWaiting);
    EXPECT_FALSE(isOpenProcessHandle(started.processHandle));
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

TEST_F(WatcherTest, SimultaneousEndsAreAllReportedInTableOrder) {
    for (const char* name : {"a", "b", "c"})
        addForTomorrow(name, long_);
    for (int i = 0; i < 3; ++i)
        exec(i);
    startWorkers();
    {
        // All three end while the table is held, so the watcher finds them ended together.
        TaskLockGuard lock(ctx_->taskLock);
        for (const TaskRecord& task : ctx_->tasks)
            ::kill(task.processInfo.processId, SIGTERM);
        for (const TaskRecord& task : ctx_->tasks)
            ASSERT_EQ(platform::waitForAnyProcess({task.processInfo.processHandle}, 10000), 0);
    }
    ASSERT_TRUE(waitUntil([&] { return endedRows().size() == 3; }));
    EXPECT_EQ(endedRows(), (std::vector<int>{0, 1, 2}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(state(i), StateWaiting);
}

TEST_F(WatcherTest, MoreThanSixtyFourRunningProcessesAreAllWatched) {
    constexpr int kCount = 70;
    for (int i = 0; i < kCount; ++i)
        addForTomorrow("task " + std::to_string(i), long_);
    for (int i = 0; i < kCount; ++i)
        exec(i);
    startWorkers();

    // The last one ends first: it must be seen although others before it still run.
    ::kill(pid(kCount - 1), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return endedRows() == std::vector<int>{kCount - 1}; }));
    {
        TaskLockGuard lock(ctx_->taskLock);
        for (int i = 0; i < kCount - 1; ++i)
            ::kill(ctx_->tasks[static_cast<size_t>(i)].processInfo.processId, SIGTERM);
    }
    ASSERT_TRUE(waitUntil([&] { return endedRows().size() == kCount; }, 30s));
    std::vector<int> rows = endedRows();
    std::sort(rows.begin(), rows.end());
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(rows[static_cast<size_t>(i)], i);
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

TEST_F(WatcherTest, ForceTerminatedProcessIsNotReportedAgain) {
    addForTomorrow("long", long_);
    exec(0);
    startWorkers();
    {
        // What force-terminate does, while the watcher may be waiting on its duplicate.
        TaskLockGuard lock(ctx_->taskLock);
        TaskRecord& task = ctx_->tasks[0];
        platform::terminateProcess(task.processInfo.processHandle, task.processInfo.processId);
        platform::closeHandle(task.processInfo.processHandle);
        task.processInfo = ProcessBlock{};
        task.startupInfo = StartupBlock{};
        task.state = StateWaiting;
    }
    // The next start of the task must be the one that is reported, exactly once.
    exec(0);
    ::kill(pid(0), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return !endedRows().empty(); }));
    EXPECT_FALSE(waitUntil([&] { return endedRows().size() > 1; }, 1s));
    EXPECT_EQ(state(0), StateWaiting);
}

TEST_F(WatcherTest, WindowIsNeverKeptFromTheTableForLong) {
    addForTomorrow("long", long_);
    exec(0);
    startWorkers();

    // The window takes the lock for every paint and command; while a process runs the workers
    // must let it in each time within a moment.
    auto longest = std::chrono::steady_clock::duration::zero();
    const auto until = std::chrono::steady_clock::now() + 3s;
    while (std::chrono::steady_clock::now() < until) {
        const auto asked = std::chrono::steady_clock::now();
        TaskLockGuard lock(ctx_->taskLock);
        longest = std::max(longest, std::chrono::steady_clock::now() - asked);
    }
    EXPECT_LT(longest, 1s);
    EXPECT_EQ(state(0), StateRunning);

    // And the watcher still does its work.
    ::kill(pid(0), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return endedRows() == std::vector<int>{0}; }));
}

TEST_F(WatcherTest, WorkersWaitIdleUntilTheirRunEventsAreSet) {
    add("due", long_);
    ASSERT_TRUE(MyCreateWorkers(*ctx_));
    EXPECT_NE(ctx_->schedulerThreadId, 0u);
    EXPECT_NE(ctx_->watcherThreadId, 0u);
    EXPECT_NE(ctx_->schedulerThreadId, ctx_->watcherThreadId);

    EXPECT_FALSE(waitUntil([&] { return state(0) == StateRunning; }, 300ms));

    ctx_->schedulerRunEvent.set();
    EXPECT_TRUE(waitUntil([&] { return state(0) == StateRunning; }));
}

TEST_F(WatcherTest, StopEndsBothWorkersPromptly) {
    const std::string trace = home_.scratch() + "/trace.log";
    setenv("CHORELIN_TRACE", trace.c_str(), 1);
    resetTraceSink();
    add("long", long_);
    startWorkers();
    ASSERT_TRUE(waitUntil([&] { return state(0) == StateRunning; }));

    auto stopped = std::async(std::launch::async, [&] { MyStopWorkers(*ctx_); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);

    EXPECT_FALSE(ctx_->schedulerThread.joinable());
    EXPECT_FALSE(ctx_->watcherThread.joinable());
    // The process is left running at close.
    EXPECT_EQ(state(0), StateRunning);
    const std::vector<std::string> lines = engine_test::readLines(trace);
    for (const char* line : {"MyThreadTaskStart() Start", "MyThreadTaskStart() End",
                             "MyThreadTaskWatch() Start", "MyThreadTaskWatch() End"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}

} // namespace
