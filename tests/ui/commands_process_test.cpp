// Run-now and force-terminate on real processes: refusals in their order, the records and rows
// they change, one task-file write per command, and force-terminate ending a task's children.

#include "command_harness.h"

#include "engine/engine_test_helpers.h"
#include "engine/recording_observer.h"
#include "resources/command_ids.h"
#include "support/fake_clock.h"

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

using namespace testing_support;
using namespace ui_testing;

namespace {

class ProcessCommands : public ::testing::Test {
protected:
    void SetUp() override {
        // Children orphaned when a task's process group is killed come back to this process,
        // so the test can see them end and reap them.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    }
    void TearDown() override {
        if (h) {
            TaskLockGuard guard(h->ctx->taskLock);
            for (TaskRecord& task : h->ctx->tasks) {
                if (task.processInfo.processId > 0) {
                    platform::terminateProcess(task.processInfo.processHandle,
                                               task.processInfo.processId);
                    platform::closeHandle(task.processInfo.processHandle);
                }
                task.processInfo = ProcessBlock{};
            }
        }
        EXPECT_TRUE(engine_test::zombieChildren().empty());
    }

    // A task whose registered file is a script that runs until it is killed.
    TaskRecord scriptTask(const std::string& name, const std::string& schedule = "毎日",
                          const std::string& body = "exec sleep 60\n") {
        const std::string path = home.scratch() + "/" + name + ".sh";
        writeFile(path, "#!/bin/sh\n" + body, 0755);
        TaskDraft draft;
        draft.name = name;
        draft.schedule = schedule;
        draft.runTime = "18:00";
        draft.registeredFile = path;
        return makeTask(draft);
    }

    void start(const std::vector<TaskRecord>& records) {
        h = std::make_unique<ViewHarness>(records);
        ASSERT_TRUE(h->initialUpdate());
    }
    void setState(int i, int32_t state) {
        TaskLockGuard guard(h->ctx->taskLock);
        h->record(i).state = state;
        h->view->MySetItem();
    }

    FakeClock clock{2024, 5, 8, 10, 0}; // a Wednesday
    TempHome home;
    ScriptedPrompter prompts;
    ScriptedEntryDialog dialog;
    std::unique_ptr<ViewHarness> h;
};

bool alive(int pid) {
    return ::kill(pid, 0) == 0;
}

} // namespace

TEST_F(ProcessCommands, RunNowWithNothingSelectedWritesNothing) {
    start({scriptTask("a")});
    TraceCapture trace(home.scratch() + "/trace.log");
    const FileStamp before = stampOf(h->taskFile);
    h->router.dispatch(cmd::ListRun);
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{
                                 {Prompter::Kind::Refusal, "実行するタスクを指定してください。"}}));
    EXPECT_EQ(stampOf(h->taskFile), before);
    EXPECT_EQ(trace.writes(), 0);
    EXPECT_EQ(trace.count("CChorelinView::OnListExec() End"), 1);
}

TEST_F(ProcessCommands, RunNowOnThreeWithTheSecondDisabledStartsTwoAndWritesOnce) {
    start({scriptTask("a"), scriptTask("b"), scriptTask("c")});
    setState(1, StateDisabled);
    TraceCapture trace(home.scratch() + "/trace.log");
    selectRows(*h->view, {0, 1, 2});
    h->view->OnListExec();
    EXPECT_EQ(prompts.shown,
              (std::vector<Shown>{
                  {Prompter::Kind::Refusal,
                   "指定のタスク（b）は現在無効です。\n有効にしてから実行してください。"}}));
    for (int i : {0, 2}) {
        EXPECT_EQ(h->record(i).state, StateRunning) << i;
        EXPECT_NE(h->record(i).processInfo.processHandle, 0) << i;
        EXPECT_TRUE(alive(h->record(i).processInfo.processId)) << i;
        EXPECT_EQ(cellOf(*h->view, i, 1), "実行中");
    }
    EXPECT_EQ(h->record(1).processInfo.processHandle, 0);
    EXPECT_EQ(h->record(1).state, StateDisabled);
    EXPECT_EQ(trace.writes(), 1);
    EXPECT_EQ(trace.count("タスク（a）を実行します。"), 1);
    EXPECT_EQ(readTaskFile(h->taskFile)[2].state, StateRunning);
}

TEST_F(ProcessCommands, RunNowInTheMorningRecordsTodayAndMovesTheNextRunPastToday) {
    start({scriptTask("evening")});
    ASSERT_EQ(fieldString(h->record(0).nextRunText), "2024/05/08");
    selectRows(*h->view, {0});
    h->view->OnListExec();
    const TaskRecord& task = h->record(0);
    EXPECT_EQ(task.launchResult, LaunchStarted);
    EXPECT_EQ(fieldString(task.lastRunText), "2024/05/08");
    EXPECT_EQ(task.lastRunDate, 20240508);
    EXPECT_EQ(fieldString(task.nextRunText), "2024/05/09");
    EXPECT_EQ(cellOf(*h->view, 0, 6), "2024/05/08");
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2024/05/09");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ProcessCommands, RunNowRefusesEachConditionInItsOrder) {
    start({scriptTask("d"), scriptTask("r"), scriptTask("x"), scriptTask("c"), scriptTask("both")});
    const std::string registered = fieldString(h->record(1).registeredFile);
    {
        TaskLockGuard guard(h->ctx->taskLock);
        h->record(0).state = StateDisabled;
        h->record(1).state = StateNoRegisteredFile;
        h->record(2).state = StateNoExecutable;
        h->record(3).state = StateCompleted;
        // Disabled and holding a process: the first test that applies decides.
        h->record(4).state = StateDisabled;
        h->record(4).processInfo.processHandle = 4242;
        h->view->MySetItem();
    }
    selectRows(*h->view, {0, 1, 2, 3, 4});
    h->view->OnListExec();
    const std::vector<Shown> expected = {
        {Prompter::Kind::Refusal,
         "指定のタスク（d）は現在無効です。\n有効にしてから実行してください。"},
        {Prompter::Kind::Refusal,
         "タスク(r) の登録ファイル(" + registered + ") が見つかりません。"},
        {Prompter::Kind::Refusal,
         "タスク(x) の実行ファイル(" + home.scratch() + "/x.sh) が見つかりません。"},
        {Prompter::Kind::Refusal,
         "タスク(c) は完了しました。\nタスクの変更を行ってから実行してください。"},
        {Prompter::Kind::Refusal,
         "指定のタスク（both）は現在無効です。\n有効にしてから実行してください。"},
    };
    EXPECT_EQ(prompts.shown, expected);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(h->record(i).processInfo.processHandle, 0) << i;
}

TEST_F(ProcessCommands, RunNowOnARunningTaskIsRefusedAndStartsNothing) {
    start({scriptTask("a")});
    selectRows(*h->view, {0});
    h->view->OnListExec();
    const int pid = h->record(0).processInfo.processId;
    ASSERT_GT(pid, 0);
    h->view->OnListExec();
    EXPECT_EQ(prompts.shown,
              (std::vector<Shown>{{Prompter::Kind::Refusal,
                                   "指定のタスク（a）は現在実行中です。\n同時に実行する場合は別な"
                                   "タスクとして追加登録してください。"}}));
    EXPECT_EQ(h->record(0).processInfo.processId, pid);
}

TEST_F(ProcessCommands, ACompletedTaskRunsAgainOnlyAfterItWasChanged) {
    start({scriptTask("a")});
    setState(0, StateCompleted);
    selectRows(*h->view, {0});
    h->view->OnListExec();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(h->record(0).processInfo.processHandle, 0);

    prompts.answers = {true};
    dialog.acceptAsGiven();
    h->view->OnListUpdate();
    ASSERT_EQ(h->record(0).state, StateWaiting);
    // The change rebuilt the rows, which leaves nothing selected.
    selectRows(*h->view, {0});
    h->view->OnListExec();
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(h->record(0).state, StateRunning);
}

TEST_F(ProcessCommands, AStartThatFailsShowsNothingAndStillCountsAsTodaysRun) {
    TaskRecord broken = scriptTask("broken");
    start({broken});
    ASSERT_EQ(::chmod((home.scratch() + "/broken.sh").c_str(), 0644), 0);
    selectRows(*h->view, {0});
    h->view->OnListExec();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(h->record(0).launchResult, LaunchFailed);
    EXPECT_EQ(h->record(0).state, StateWaiting);
    EXPECT_EQ(h->record(0).lastRunDate, 20240508);
    EXPECT_EQ(fieldString(h->record(0).nextRunText), "2024/05/09");
}

TEST_F(ProcessCommands, ForceTerminateRefusesNothingSelectedAndATaskNotRunning) {
    start({scriptTask("a")});
    TraceCapture trace(home.scratch() + "/trace.log");
    ASSERT_TRUE(h->router.dispatch(cmd::ListKill));
    selectRows(*h->view, {0});
    h->router.dispatch(cmd::ListKill);
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{{Prompter::Kind::Refusal, "強制終了するタスクを指定してください。"},
                            {Prompter::Kind::Refusal, "指定のタスク（a）は実行されていません。"}}));
    EXPECT_EQ(trace.writes(), 1) << "the second command still writes at its end";
}

TEST_F(ProcessCommands, ForceTerminateAnsweredNoLeavesTheProcessAndTheRecord) {
    start({scriptTask("a")});
    selectRows(*h->view, {0});
    h->view->OnListExec();
    const TaskRecord before = h->record(0);
    prompts.answers = {false};
    h->view->OnListKill();
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{{Prompter::Kind::Question,
                                                  "a を強制終了します。\nよろしいですか？"}}));
    EXPECT_TRUE(alive(before.processInfo.processId));
    EXPECT_EQ(std::memcmp(&h->record(0), &before, sizeof before), 0);
}

struct KillCase {
    const char* schedule;
    int32_t stateAfter;
    const char* textAfter;
};

TEST_F(ProcessCommands, ForceTerminateEndsTheTaskAndItsChildren) {
    for (const KillCase& c : {KillCase{"１回のみ", StateCompleted, "完了"},
                              KillCase{"毎日", StateWaiting, "実行待ち"}}) {
        SCOPED_TRACE(c.schedule);
        const std::string childFile = home.scratch() + "/child.pid";
        ::unlink(childFile.c_str());
        start({scriptTask("parent", c.schedule,
                          "sleep 300 &\necho $! > '" + childFile + "'\nwait\n")});
        selectRows(*h->view, {0});
        h->view->OnListExec();
        const int leader = h->record(0).processInfo.processId;
        ASSERT_GT(leader, 0);
        ASSERT_TRUE(engine_test::waitUntil(
            [&] { return readFile(childFile).find('\n') != std::string::npos; }));
        const int child = std::stoi(readFile(childFile));
        ASSERT_TRUE(alive(child));

        TraceCapture trace(home.scratch() + "/trace.log");
        prompts.answers = {true};
        h->view->OnListKill();
        EXPECT_EQ(trace.count("タスク（parent）を強制終了します。"), 1);
        EXPECT_EQ(trace.writes(), 1);
        EXPECT_FALSE(alive(leader)) << "the leader is killed and reaped";
        // The child, orphaned into this process, ends too.
        int status = 0;
        ASSERT_TRUE(
            engine_test::waitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_FALSE(alive(child));

        const TaskRecord& task = h->record(0);
        EXPECT_EQ(task.state, c.stateAfter);
        EXPECT_EQ(cellOf(*h->view, 0, 1), c.textAfter);
        const TaskRecord zero{};
        EXPECT_EQ(std::memcmp(&task.processInfo, &zero.processInfo, sizeof zero.processInfo), 0);
        EXPECT_EQ(std::memcmp(&task.startupInfo, &zero.startupInfo, sizeof zero.startupInfo), 0);
        // The run dates stay as the run left them.
        EXPECT_EQ(fieldString(task.lastRunText), "2024/05/08");
        EXPECT_EQ(readTaskFile(h->taskFile)[0].state, c.stateAfter);
        h.reset();
    }
}

TEST_F(ProcessCommands, RunNowAndForceTerminateAreReportedAsManualAndKilled) {
    start({scriptTask("a")});
    engine_test::RecordingObserver observer;
    h->ctx->runObserver = &observer;
    selectRows(*h->view, {0});
    h->view->OnListExec();
    const int pid = h->record(0).processInfo.processId;
    prompts.answers = {true};
    h->view->OnListKill();

    const std::vector<engine_test::RecordingObserver::Call> calls = observer.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].what, "prepare");
    EXPECT_EQ(calls[0].attempt.taskName, "a");
    EXPECT_EQ(calls[0].attempt.trigger, RunTrigger::Manual);
    EXPECT_EQ(calls[0].attempt.dueMs, 0);
    EXPECT_EQ(calls[1].what, "started");
    EXPECT_EQ(calls[1].pid, pid);
    EXPECT_EQ(calls[2].what, "ended");
    EXPECT_EQ(calls[2].runId, calls[0].runId);
    EXPECT_EQ(calls[2].how, RunEnd::Killed);
    EXPECT_EQ(calls[2].value, SIGKILL);
    EXPECT_TRUE(h->ctx->runIds.empty());
    h->ctx->runObserver = nullptr;
}
