// The catch-up of missed runs on a fake clock: what start-up and the passes make up, once.

#include "engine/catch_up.h"
#include "engine/next_exec.h"
#include "engine/workers.h"
#include "engine_test_helpers.h"
#include "store/fields.h"
#include "store/trace.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class CatchUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = engine_test::workerContext(home_.documents(), posts_);
        program_ = home_.scratch() + "/job.sh";
        writeFile(program_, "#!/bin/sh\nexit 0\n", 0755);
        setenv("CHORELIN_TRACE", trace_.c_str(), 1);
        resetTraceSink();
    }
    void TearDown() override {
        for (TaskRecord& task : ctx_->tasks)
            EXPECT_TRUE(engine_test::endTaskProcess(task));
    }

    // An every-day 09:00 task that last ran on Friday 2024-05-10 and waits for Saturday.
    TaskDraft weekendTask() const {
        TaskDraft draft;
        draft.name = "backup";
        draft.registeredFile = program_;
        draft.lastRun = "2024/05/10";
        draft.nextRun = "2024/05/11";
        return draft;
    }
    void reset(const TaskDraft& draft, bool on) {
        for (TaskRecord& task : ctx_->tasks)
            engine_test::endTaskProcess(task);
        ctx_->tasks = {makeTask(draft)};
        ctx_->taskCount = 1;
        ctx_->catchUp.enabled = on;
        writeFile(trace_, "");
    }
    // What the list window's initial update does around the stored table.
    void startUp() {
        MyCatchUpAtStartup(*ctx_);
        for (int i = 0; i < ctx_->taskCount; ++i)
            MySetNextExec(*ctx_, i);
    }
    size_t traced(const std::string& part) const {
        const std::vector<std::string> lines = engine_test::readLines(trace_);
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }
    size_t starts() const { return traced("）を実行します。"); }
    const TaskRecord& task() const { return ctx_->tasks[0]; }

    TempHome home_;
    FakeClock clock_{2024, 5, 13, 10, 0, 0}; // Monday
    engine_test::PostLog posts_;
    std::unique_ptr<AppContext> ctx_;
    std::string program_;
    std::string trace_ = home_.scratch() + "/trace.log";
};

// The computer was off from Friday evening to Monday 10:00.
TEST_F(CatchUpTest, StartUpAfterAWeekendOff) {
    struct Case {
        const char* label;
        bool on;
        void (*change)(TaskDraft&);
        size_t starts;
        int state;
        const char* lastRun;
        const char* nextRun;
    };
    const auto none = [](TaskDraft&) {};
    const Case cases[] = {
        {"off: nothing made up", false, none, 0, StateWaiting, "2024/05/10", "2024/05/14"},
        {"on: one start for three missed days", true, none, 1, StateRunning, "2024/05/13",
         "2024/05/14"},
        {"on: end date passed", true, [](TaskDraft& d) { d.endDate = "2024/05/12"; }, 0,
         StateCompleted, "2024/05/10", ""},
        {"on: once-only that never ran", true,
         [](TaskDraft& d) {
             d.schedule = "１回のみ";
             d.lastRun = "";
         },
         1, StateRunning, "2024/05/13", ""},
        {"on: disabled", true, [](TaskDraft& d) { d.state = StateDisabled; }, 0, StateDisabled,
         "2024/05/10", "2024/05/14"},
        {"on: this morning's run passed before start-up", true,
         [](TaskDraft& d) { d.nextRun = "2024/05/13"; }, 1, StateRunning, "2024/05/13",
         "2024/05/14"},
        {"on: today's run still ahead", true,
         [](TaskDraft& d) {
             d.runTime = "11:00";
             d.nextRun = "2024/05/13";
         },
         0, StateWaiting, "2024/05/10", "2024/05/13"},
        {"on: that day already run by hand", true, [](TaskDraft& d) { d.lastRun = "2024/05/11"; },
         0, StateWaiting, "2024/05/11", "2024/05/14"},
        {"on: run time no minute reaches", true, [](TaskDraft& d) { d.runTime = "9:00"; }, 0,
         StateWaiting, "2024/05/10", "2024/05/13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TaskDraft draft = weekendTask();
        c.change(draft);
        reset(draft, c.on);
        clock_.set(2024, 5, 13, 10, 0, 0);

        startUp();
        EXPECT_EQ(starts(), 0u) << "nothing starts before the workers run";
        for (int n = 0; n < 3; ++n) {
            MySchedulerPass(*ctx_);
            clock_.advanceSeconds(1);
        }

        EXPECT_EQ(starts(), c.starts);
        EXPECT_EQ(traced("2024/05/11 09:00 の実行が行われていないため"),
                  c.starts == 1 && draft.nextRun == "2024/05/11" ? 1u : 0u);
        EXPECT_EQ(task().state, c.state);
        EXPECT_EQ(fieldString(task().lastRunText), c.lastRun);
        EXPECT_EQ(fieldString(task().nextRunText), c.nextRun);
        if (c.starts == 1) {
            const std::vector<TaskRecord> written = readTaskFile(ctx_->taskFilePath);
            ASSERT_EQ(written.size(), 1u);
            EXPECT_EQ(written[0].lastRunDate, 20240513);
        }
    }
}

// The program keeps running while the wall clock leaps from Friday 08:00 to Sunday 08:00 (a
// sleep without word from the system, or a clock set forward).
TEST_F(CatchUpTest, WallClockJumpOfTwoDays) {
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        TaskDraft draft = weekendTask();
        draft.lastRun = "2024/05/09";
        draft.nextRun = "2024/05/10";
        reset(draft, on);
        clock_.set(2024, 5, 10, 8, 0, 0);
        startUp();
        MySchedulerPass(*ctx_);

        clock_.advanceSeconds(2 * 86400);
        MySchedulerPass(*ctx_);
        MySchedulerPass(*ctx_);

        EXPECT_EQ(starts(), on ? 1u : 0u);
        EXPECT_EQ(traced("時計が 172800 秒進みました。"), on ? 1u : 0u);
        EXPECT_EQ(traced("2024/05/10 09:00 の実行が行われていないため"), on ? 1u : 0u);
        EXPECT_EQ(fieldString(task().lastRunText), on ? "2024/05/12" : "2024/05/09");
        EXPECT_EQ(fieldString(task().nextRunText), on ? "2024/05/13" : "2024/05/12");
    }
}

// A run of the same day that came during a jump is the due test's late start, made once.
TEST_F(CatchUpTest, SameDayRunAfterAJumpStartsOnce) {
    TaskDraft draft = weekendTask();
    draft.nextRun = "2024/05/13";
    reset(draft, true);
    clock_.set(2024, 5, 13, 8, 0, 0);
    startUp();
    MySchedulerPass(*ctx_);

    clock_.setTime(10, 0, 0);
    MyCatchUpAfterResume(*ctx_);
    for (int n = 0; n < 3; ++n)
        MySchedulerPass(*ctx_);

    EXPECT_EQ(starts(), 1u);
    EXPECT_EQ(traced("スリープからの復帰後、過ぎた実行を確かめます。"), 1u);
    EXPECT_EQ(traced("の実行が行われていないため"), 0u);
    EXPECT_EQ(fieldString(task().nextRunText), "2024/05/14");
}

// A run the scheduler saw come while the task was disabled is not made up when it is enabled
// again days later, nor is one passed over while the task's process still ran.
TEST_F(CatchUpTest, RunsSeenWhileTheTaskCouldNotStartAreNotMadeUp) {
    for (const int state : {StateDisabled, StateRunning}) {
        SCOPED_TRACE(state);
        TaskDraft draft = weekendTask();
        draft.nextRun = "2024/05/11";
        draft.state = state;
        reset(draft, true);
        clock_.set(2024, 5, 11, 8, 0, 0);
        startUp();
        for (int minute = 0; minute < 26 * 60; ++minute) {
            MySchedulerPass(*ctx_);
            clock_.advanceSeconds(60);
        }
        ctx_->tasks[0].state = StateWaiting;
        MySchedulerPass(*ctx_);

        EXPECT_EQ(starts(), 0u);
        EXPECT_EQ(fieldString(task().nextRunText), "2024/05/13");
    }
}

} // namespace
