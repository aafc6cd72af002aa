// The catch-up of missed runs on a fake clock: what start-up and the passes make up, once.

#include "engine/catch_up.h"
#include "engine/made_up_runs.h"
#include "engine/next_exec.h"
#include "engine/workers.h"
#include "engine_test_helpers.h"
#include "recording_observer.h"
#include "store/fields.h"
#include "store/trace.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <set>

using namespace testing_support;

namespace {

// Days are of May 2024, 0 for none; times are hours. Every task runs every day at 09:00.
struct Case {
    const char* label;
    bool on;
    int lastRun, nextRun, state;
    const char* schedule;
    int endDate;
    int startDay, startHour, wakeDay, wakeHour; // the program's start, then a leap of the clock
    int starts;
    bool madeUp; // the start was a make-up run, not the due test's late start
    int wantState, wantLastRun, wantNextRun;
};

std::string may(int day) {
    return day == 0 ? "" : "2024/05/" + std::to_string(100 + day).substr(1);
}

struct World {
    TempHome home;
    engine_test::PostLog posts;
    std::unique_ptr<AppContext> ctx = engine_test::workerContext(home.documents(), posts);
    std::string trace = home.scratch() + "/trace.log";

    World(int lastRun, int nextRun, int state, bool on, const char* schedule = "毎日",
          int endDate = 0) {
        setenv("CHORELIN_TRACE", trace.c_str(), 1);
        resetTraceSink();
        TaskDraft d;
        d.registeredFile = "/bin/true";
        d.lastRun = may(lastRun);
        d.nextRun = may(nextRun);
        d.state = state;
        d.schedule = schedule;
        d.endDate = may(endDate);
        ctx->tasks = {makeTask(d)};
        ctx->taskCount = 1;
        ctx->catchUp.enabled = on;
    }
    ~World() { engine_test::endTaskProcess(ctx->tasks[0]); }
    // What the list window's initial update does around the stored table.
    void startUp() {
        MyCatchUpAtStartup(*ctx);
        MySetNextExec(*ctx, 0);
    }
};

TEST(CatchUp, MissedRunsAreMadeOnceWhenOn) {
    // Friday the 10th it ran; the computer was off until Monday the 13th at 10:00, or the
    // program ran on and the clock leapt (a sleep, a clock set forward).
    const int W = StateWaiting, R = StateRunning, D = StateDisabled, C = StateCompleted;
    // clang-format off
    const Case cases[] = {
        {"off",                            false, 10, 11, W, "毎日",     0,  13, 10, 0,  0,  0, false, W, 10, 14},
        {"on: three missed days, 1 start", true,  10, 11, W, "毎日",     0,  13, 10, 0,  0,  1, true,  R, 13, 14},
        {"on: end date passed",            true,  10, 11, W, "毎日",     12, 13, 10, 0,  0,  0, false, C, 10, 0},
        {"on: once-only that never ran",   true,  0,  11, W, "１回のみ", 0,  13, 10, 0,  0,  1, true,  R, 13, 0},
        {"on: disabled",                   true,  10, 11, D, "毎日",     0,  13, 10, 0,  0,  0, false, D, 10, 14},
        {"on: that day run by hand",       true,  11, 11, W, "毎日",     0,  13, 10, 0,  0,  0, false, W, 11, 14},
        {"off: clock leaps two days",      false, 9,  10, W, "毎日",     0,  10, 8,  12, 8,  0, false, W, 9,  12},
        {"on: clock leaps two days",       true,  9,  10, W, "毎日",     0,  10, 8,  12, 8,  1, true,  R, 12, 12},
        {"on: same-day leap, not doubled", true,  10, 13, W, "毎日",     0,  13, 8,  13, 10, 1, false, R, 13, 14},
        // A make-up before the day's minute is the missed day's run: the day keeps its own.
        {"on: morning, the day keeps its run", true, 10, 11, W, "毎日",   0,  13, 8,  0,  0,  1, true,  R, 13, 13},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        World w(c.lastRun, c.nextRun, c.state, c.on, c.schedule, c.endDate);
        const TaskRecord& t = w.ctx->tasks[0];
        FakeClock clock(2024, 5, c.startDay, c.startHour);

        w.startUp();
        MySchedulerPass(*w.ctx);
        if (c.wakeDay != 0) {
            clock.set(2024, 5, c.wakeDay, c.wakeHour, 0);
            MyCatchUpAfterResume(*w.ctx);
            MySchedulerPass(*w.ctx);
        }
        MySchedulerPass(*w.ctx);

        const std::string traced = readFile(w.trace);
        int starts = 0;
        for (size_t at = 0; (at = traced.find("）を実行します。", at)) != std::string::npos; ++at)
            ++starts;
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(traced.find(may(c.nextRun) + " 09:00 の実行が行われていないため") !=
                      std::string::npos,
                  c.madeUp);
        EXPECT_EQ(t.state, c.wantState);
        EXPECT_EQ(fieldString(t.lastRunText), may(c.wantLastRun));
        EXPECT_EQ(fieldString(t.nextRunText), may(c.wantNextRun));
        if (c.starts == 1) {
            const std::vector<TaskRecord> written = readTaskFile(w.ctx->taskFilePath);
            ASSERT_EQ(written.size(), 1u);
            EXPECT_EQ(written[0].lastRunDate, t.lastRunDate);
        }
    }
}

// A run the scheduler saw come while the task was disabled, or still running, is not made up
// when the task may start again days later.
TEST(CatchUp, RunsSeenWhileTheTaskCouldNotStartAreNotMadeUp) {
    for (const int state : {StateDisabled, StateRunning}) {
        World w(10, 11, state, true);
        FakeClock clock(2024, 5, 11, 8, 0, 0);
        w.startUp();
        for (int minute = 0; minute < 26 * 60; ++minute, clock.advanceSeconds(60))
            MySchedulerPass(*w.ctx);
        w.ctx->tasks[0].state = StateWaiting;
        MySchedulerPass(*w.ctx);

        EXPECT_EQ(w.ctx->tasks[0].launchResult, LaunchNever);
        EXPECT_EQ(fieldString(w.ctx->tasks[0].nextRunText), "2024/05/13");
    }
}

// A history in memory: it hears of every make-up and knows it was made.
struct MadeUpLog : engine_test::RecordingObserver, MadeUpRuns {
    std::set<std::pair<std::string, int64_t>> made;
    RunPreparation prepareRun(const RunAttempt& a) override {
        made.insert({a.taskName, a.dueMs});
        return RecordingObserver::prepareRun(a);
    }
    bool alreadyMade(const std::string& task, int64_t dueMs) override {
        return made.count({task, dueMs}) != 0;
    }
};

// A task file that cannot be written keeps the missed run at every start; the history, which
// heard of the make-up, keeps it from being made again.
TEST(CatchUp, AMakeUpTheHistoryKnowsIsNotMadeAgain) {
    MadeUpLog history;
    TaskRecord stored;
    int made = 0;
    for (int start = 0; start < 3; ++start) {
        World w(8, 9, StateWaiting, true);
        if (start == 0)
            stored = w.ctx->tasks[0];
        w.ctx->tasks[0] = stored; // what the unwritable file still says
        w.ctx->runObserver = &history;
        w.ctx->madeUpRuns = &history;
        FakeClock clock(2024, 5, 10, 11, start);
        w.startUp();
        MySchedulerPass(*w.ctx);
        made += w.ctx->tasks[0].launchResult == LaunchStarted ? 1 : 0;
        EXPECT_EQ(fieldString(w.ctx->tasks[0].nextRunText), "2024/05/11");
    }
    EXPECT_EQ(made, 1);
}

} // namespace
