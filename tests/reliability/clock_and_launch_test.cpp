// The clock jumping back or forward starts no task twice and misses no later run; a program that
// is gone when its start comes records a failed start.

#include "engine/launch.h"
#include "engine/workers.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <gtest/gtest.h>

using namespace reliability;
using testing_support::FakeClock;
using testing_support::makeTask;

namespace {

class ClockJumps : public ::testing::Test {
protected:
    Scene scene;
    FakeClock clock{2024, 5, 10, 8, 0, 0}; // Friday
    std::string program = scene.script("job.sh", "exit 0\n");
    int starts = 0;
    std::vector<int> startDays;

    void SetUp() override {
        testing_support::writeFile(scene.taskFile, "", 0600);
        TaskDraft draft;
        draft.registeredFile = program;
        draft.runTime = "09:00";
        scene.setTable({makeTask(draft)});
        MySetNextExec(*scene.ctx, 0);
    }
    void TearDown() override {
        endAllProcesses(*scene.ctx);
        EXPECT_TRUE(engine_test::zombieChildren().empty());
    }

    // One scheduler pass; a started process is ended and recorded as the watcher would.
    void pass() {
        TaskRecord& task = scene.ctx->tasks[0];
        task.launchResult = LaunchNever;
        MySchedulerPass(*scene.ctx);
        if (task.launchResult != LaunchNever) {
            ++starts;
            startDays.push_back(task.lastRunDate);
        }
        engine_test::endTaskProcess(task);
        if (task.state == StateRunning)
            task.state = StateWaiting;
    }
    // Passes every 30 seconds for the given number of minutes.
    void run(int minutes) {
        for (int i = 0; i < minutes * 2; ++i) {
            pass();
            clock.advanceSeconds(30);
        }
    }
};

TEST_F(ClockJumps, BackAnHourAfterARunStartsNothingAgain) {
    clock.setTime(8, 59, 0);
    run(3); // 08:59 .. 09:02: the run of the day
    ASSERT_EQ(starts, 1);
    clock.setTime(8, 2, 0); // the clock is set back an hour
    run(70);                // through 09:00 again
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(fieldView(scene.ctx->tasks[0].nextRunText), "2024/05/11");
    clock.set(2024, 5, 11, 8, 58, 0);
    run(4);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(startDays, (std::vector<int>{20240510, 20240511}));
}

TEST_F(ClockJumps, BackAcrossMidnightStartsNothingAgain) {
    clock.set(2024, 5, 11, 8, 59, 0);
    MySetNextExec(*scene.ctx, 0);
    run(3);
    ASSERT_EQ(starts, 1);
    clock.set(2024, 5, 10, 23, 0, 0); // back to the evening before
    run(30);
    clock.set(2024, 5, 11, 8, 30, 0);
    run(60); // 09:00 of the 11th again
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(fieldView(scene.ctx->tasks[0].nextRunText), "2024/05/12");
}

TEST_F(ClockJumps, ForwardADayMissesNoLaterRun) {
    clock.setTime(8, 59, 0);
    run(3);
    ASSERT_EQ(starts, 1);
    // Forward a day, to before the run minute: that day's run comes.
    clock.set(2024, 5, 11, 8, 50, 0);
    run(15);
    EXPECT_EQ(starts, 2);
    // Forward a day past the run minute: that day's run starts at once, late, and only once.
    clock.set(2024, 5, 12, 10, 0, 0);
    run(5);
    EXPECT_EQ(starts, 3);
    EXPECT_EQ(fieldView(scene.ctx->tasks[0].nextRunText), "2024/05/13");
    clock.set(2024, 5, 13, 8, 59, 0);
    run(3);
    EXPECT_EQ(startDays, (std::vector<int>{20240510, 20240511, 20240512, 20240513}));
}

class VanishingProgram : public ::testing::Test {
protected:
    Scene scene;
    FakeClock clock{2024, 5, 10, 9, 0, 0};
    void TearDown() override {
        endAllProcesses(*scene.ctx);
        EXPECT_TRUE(engine_test::zombieChildren().empty());
    }
};

TEST_F(VanishingProgram, GoneAfterTheCheckRecordsAFailedStart) {
    testing_support::writeFile(scene.taskFile, "", 0600);
    const std::string program = scene.script("job.sh", "exit 0\n");
    TaskDraft draft;
    draft.registeredFile = program;
    draft.nextRun = "2024/05/10";
    scene.setTable({makeTask(draft)});
    // The file checks of a pass found it (Waiting); then it goes before the start.
    std::filesystem::remove(program);
    {
        TaskLockGuard lock(scene.ctx->taskLock);
        MyTaskExec(*scene.ctx, 0);
        MySetNextExec(*scene.ctx, 0);
        ASSERT_EQ(MyTaskWrite(*scene.ctx, scene.ctx->taskFilePath), 0);
    }
    const TaskRecord& t = scene.ctx->tasks[0];
    EXPECT_EQ(t.launchResult, LaunchFailed);
    EXPECT_EQ(t.state, StateWaiting);
    EXPECT_EQ(t.processInfo.processHandle, 0);
    EXPECT_EQ(fieldView(t.lastRunText), "2024/05/10");
    EXPECT_EQ(fieldView(t.nextRunText), "2024/05/11");
    // And it is on disk.
    const std::vector<TaskRecord> saved = testing_support::readTaskFile(scene.taskFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].launchResult, LaunchFailed);
    EXPECT_EQ(saved[0].lastRunDate, 20240510);
}

TEST_F(VanishingProgram, ProgramThatCannotBeExecutedAtStartRecordsAFailedStart) {
    // The file is there for every check, but what it needs to run is not: the start itself fails.
    testing_support::writeFile(scene.taskFile, "", 0600);
    const std::string program = scene.home.scratch() + "/broken.sh";
    testing_support::writeFile(program, "#!/nonexistent/interpreter\n", 0755);
    TaskDraft draft;
    draft.registeredFile = program;
    draft.nextRun = "2024/05/10";
    scene.setTable({makeTask(draft)});
    EXPECT_TRUE(MySchedulerPass(*scene.ctx));
    const TaskRecord& t = scene.ctx->tasks[0];
    EXPECT_EQ(t.launchResult, LaunchFailed);
    EXPECT_EQ(t.state, StateWaiting);
    EXPECT_EQ(t.lastRunDate, 20240510);
    EXPECT_EQ(testing_support::readTaskFile(scene.taskFile)[0].launchResult, LaunchFailed);
    // Not retried on later passes of the same day.
    clock.setTime(9, 0, 30);
    EXPECT_FALSE(MySchedulerPass(*scene.ctx));
}

} // namespace
