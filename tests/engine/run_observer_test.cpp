// What the engine tells a run observer about real runs: the attempt, the start or its failure,
// and how each process ended, in that order, with the output in the observer's descriptor.

#include "engine/launch.h"
#include "engine/workers.h"
#include "engine_test_helpers.h"
#include "platform/clock.h"
#include "recording_observer.h"
#include "store/fields.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace testing_support;
using engine_test::RecordingObserver;
using engine_test::waitUntil;

namespace {

class RunObserverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = engine_test::workerContext(home_.documents(), posts_);
        observer_.outputFolder = home_.scratch();
        ctx_->runObserver = &observer_;
    }
    void TearDown() override {
        MyStopWorkers(*ctx_);
        for (TaskRecord& task : ctx_->tasks)
            engine_test::endTaskProcess(task, 0);
        EXPECT_TRUE(engine_test::zombieChildren().empty());
    }

    std::string script(const std::string& name, const std::string& body) const {
        const std::string path = home_.scratch() + "/" + name;
        writeFile(path, "#!/bin/sh\n" + body, 0755);
        return path;
    }
    // A task due now (today 09:00) unless `dueToday` is false.
    void add(const std::string& name, const std::string& registered,
             const std::string& executable = std::string(), bool dueToday = true) {
        TaskDraft draft;
        draft.name = name;
        draft.registeredFile = registered;
        draft.executableFile = executable;
        draft.nextRun = dueToday ? "2024/05/10" : "2024/05/11";
        ctx_->tasks.push_back(makeTask(draft));
        ctx_->taskCount = static_cast<int32_t>(ctx_->tasks.size());
    }
    void startWorkers() {
        ASSERT_TRUE(MyCreateWorkers(*ctx_));
        ctx_->schedulerRunEvent.set();
        ctx_->watcherRunEvent.set();
    }
    static std::vector<std::string> whatsOf(const RecordingObserver& observer, int64_t runId) {
        std::vector<std::string> found;
        for (const RecordingObserver::Call& call : observer.callsOf(runId))
            found.push_back(call.what);
        return found;
    }
    std::vector<std::string> whats(int64_t runId) const { return whatsOf(observer_, runId); }
    bool settled() {
        TaskLockGuard lock(ctx_->taskLock);
        for (const TaskRecord& task : ctx_->tasks) {
            if (task.processInfo.processHandle != 0 || task.launchResult == LaunchNever)
                return false;
        }
        return ctx_->runIds.empty();
    }

    TempHome home_;
    FakeClock clock_{2024, 5, 10, 9, 0, 0};
    engine_test::PostLog posts_;
    RecordingObserver observer_;
    std::unique_ptr<AppContext> ctx_;
};

TEST_F(RunObserverTest, ScheduledRunsAreReportedInOrderWithHowTheyEndedAndWhatTheyPrinted) {
    struct Case {
        const char* name;
        std::string registered, executable;
        RunEnd how;
        int value;
        std::string output;
    };
    const std::string document = home_.scratch() + "/letter.txt";
    writeFile(document, "document text\n");
    const std::vector<Case> cases = {
        {"exits 3", script("three.sh", "echo out\necho err >&2\nexit 3\n"), "", RunEnd::Exited, 3,
         "out\nerr\n"},
        {"signalled", script("signal.sh", "echo before\nkill -TERM $$\n"), "", RunEnd::Signalled,
         SIGTERM, "before\n"},
        {"exits at once", script("quick.sh", "exit 0\n"), "", RunEnd::Exited, 0, ""},
        {"document", document, script("viewer.sh", "cat \"$1\"\n"), RunEnd::Exited, 0,
         "document text\n"},
    };
    for (const Case& c : cases)
        add(c.name, c.registered, c.executable);
    startWorkers();

    // Bounded: each end, the at-once one included, is seen without any pass of the scheduler.
    ASSERT_TRUE(waitUntil([&] { return observer_.count("ended") == cases.size() && settled(); }));
    platform::LocalTime due{2024, 5, 10, 9, 0, 0, 0, 5};
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        // A pass makes its starts at once, so the runs' ids follow no table order.
        int64_t runId = 0;
        for (const RecordingObserver::Call& call : observer_.calls())
            runId = call.what == "prepare" && call.attempt.taskName == c.name ? call.runId : runId;
        ASSERT_EQ(whats(runId), (std::vector<std::string>{"prepare", "started", "ended"}));
        const std::vector<RecordingObserver::Call> calls = observer_.callsOf(runId);
        const RunAttempt& attempt = calls[0].attempt;
        EXPECT_EQ(attempt.taskName, c.name);
        EXPECT_EQ(attempt.registeredFile, cp932(c.registered));
        EXPECT_EQ(attempt.executableFile,
                  cp932(c.executable.empty() ? c.registered : c.executable));
        EXPECT_EQ(attempt.trigger, RunTrigger::Scheduled);
        EXPECT_EQ(attempt.dueMs, platform::epochMsOfLocal(due));
        EXPECT_GT(calls[1].pid, 0);
        EXPECT_EQ(calls[2].how, c.how);
        EXPECT_EQ(calls[2].value, c.value);
        EXPECT_EQ(readFile(observer_.outputOf(runId)), c.output);
        TaskLockGuard lock(ctx_->taskLock);
        EXPECT_EQ(ctx_->tasks[i].state, StateWaiting);
    }
}

TEST_F(RunObserverTest, FailedAndUnrecordedStartsAreFollowedByNothing) {
    add("missing program", home_.scratch() + "/gone.sh");
    ctx_->tasks[0].state = StateNoRegisteredFile; // as loading finds it: started all the same
    add("unrecorded", script("quick.sh", "exit 0\n"));
    // The missing program's run is recorded, the other one gets run id 0. The two are started
    // at once, so their calls may come in either order.
    struct UnrecordedByName : RecordingObserver {
        RunPreparation prepareRun(const RunAttempt& attempt) override {
            nextRunId = attempt.taskName == "unrecorded" ? 0 : 1;
            return RecordingObserver::prepareRun(attempt);
        }
    } observer;
    ctx_->runObserver = &observer;
    startWorkers();

    ASSERT_TRUE(waitUntil([&] { return settled(); }));
    EXPECT_EQ(observer.calls().size(), 3u);
    ASSERT_EQ(whatsOf(observer, 1), (std::vector<std::string>{"prepare", "failed"}));
    EXPECT_EQ(observer.callsOf(1)[1].reason,
              "実行ファイルが見つかりません: " + home_.scratch() + "/gone.sh [ENOENT]");
    // Run id 0: nothing but its preparation is said of it.
    EXPECT_EQ(whatsOf(observer, 0), (std::vector<std::string>{"prepare"}));
    TaskLockGuard lock(ctx_->taskLock);
    EXPECT_EQ(ctx_->tasks[0].launchResult, LaunchFailed);
    EXPECT_EQ(ctx_->tasks[1].launchResult, LaunchStarted);
    EXPECT_EQ(ctx_->tasks[1].state, StateWaiting);
}

TEST_F(RunObserverTest, ForceTerminateIsReportedAsKilledUnlessTheProcessHadEnded) {
    add("long", script("long.sh", "exec sleep 60\n"), "", false);
    add("ended", script("five.sh", "exit 5\n"), "", false);
    {
        TaskLockGuard lock(ctx_->taskLock);
        MyTaskExec(*ctx_, 0, RunTrigger::Manual);
        MyTaskExec(*ctx_, 1, RunTrigger::Manual, 123456); // a due time means nothing by hand
        // The second ends by itself before the user's answer comes (the watcher is not running).
        ASSERT_EQ(platform::waitForAnyProcess({ctx_->tasks[1].processInfo.processHandle}, 10000),
                  0);
        MyTerminateTaskProcess(*ctx_, 0);
        MyTerminateTaskProcess(*ctx_, 1);
    }
    for (int64_t runId : {1, 2}) {
        const std::vector<RecordingObserver::Call> calls = observer_.callsOf(runId);
        ASSERT_EQ(whats(runId), (std::vector<std::string>{"prepare", "started", "ended"}));
        EXPECT_EQ(calls[0].attempt.trigger, RunTrigger::Manual);
        EXPECT_EQ(calls[0].attempt.dueMs, 0);
    }
    EXPECT_EQ(observer_.callsOf(1)[2].how, RunEnd::Killed);
    EXPECT_EQ(observer_.callsOf(1)[2].value, SIGKILL);
    EXPECT_EQ(observer_.callsOf(2)[2].how, RunEnd::Exited);
    EXPECT_EQ(observer_.callsOf(2)[2].value, 5);
    EXPECT_TRUE(settled());
    EXPECT_EQ(ctx_->tasks[0].state, StateWaiting);
}

} // namespace

TEST_F(RunObserverTest, AMadeUpRunIsReportedAsCatchUpDueAtTheMinuteItMissed) {
    add("missed", script("quick.sh", "exit 0\n"), "", false);
    ctx_->catchUp.enabled = true;
    PendingCatchUp pending;
    setField(pending.name, "missed");
    pending.run = MissedRun{20240508, 9, 0};
    ctx_->catchUp.pending.push_back(pending);

    ASSERT_TRUE(MySchedulerPass(*ctx_));
    const std::vector<RecordingObserver::Call> calls = observer_.calls();
    ASSERT_EQ(whats(1), (std::vector<std::string>{"prepare", "started"}));
    EXPECT_EQ(calls[0].attempt.trigger, RunTrigger::CatchUp);
    platform::LocalTime missed{2024, 5, 8, 9, 0, 0, 0, 3};
    EXPECT_EQ(calls[0].attempt.dueMs, platform::epochMsOfLocal(missed));
}
