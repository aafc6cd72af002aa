// Enable, disable and refresh: the states they set, their refusals and their one write.

#include "command_harness.h"

#include "resources/command_ids.h"

using namespace testing_support;
using namespace ui_testing;

namespace {

class StateCommands : public ::testing::Test {
protected:
    void start(const std::vector<TaskRecord>& records) {
        h = std::make_unique<ViewHarness>(records);
        ASSERT_TRUE(h->initialUpdate());
    }
    void TearDown() override {
        if (h) {
            TaskLockGuard guard(h->ctx->taskLock);
            for (TaskRecord& task : h->ctx->tasks)
                task.processInfo = ProcessBlock{};
        }
    }
    void setStates(const std::vector<int32_t>& states) {
        TaskLockGuard guard(h->ctx->taskLock);
        for (size_t i = 0; i < states.size(); ++i)
            h->record(static_cast<int>(i)).state = states[i];
        h->view->MySetItem();
    }

    ScriptedPrompter prompts;
    std::unique_ptr<ViewHarness> h;
};

} // namespace

TEST_F(StateCommands, EnablingATaskWithoutItsRegisteredFileMakesItWaiting) {
    TaskDraft draft;
    draft.name = "a";
    draft.registeredFile = "/nonexistent/report.txt"; // the load marks the missing file
    draft.executableFile = "/bin/sh";
    start({makeTask(draft)});
    ASSERT_EQ(cellOf(*h->view, 0, 1), "登録ﾌｧｲﾙなし");
    selectRows(*h->view, {0});
    h->router.dispatch(cmd::ListEnableTrue);
    EXPECT_EQ(h->record(0).state, StateWaiting);
    EXPECT_EQ(cellOf(*h->view, 0, 1), "実行待ち");
    EXPECT_EQ(readTaskFile(h->taskFile)[0].state, StateWaiting);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(StateCommands, DisablingSeveralWithOneCompletedRefusesItAndWritesOnce) {
    start({namedTask("a"), namedTask("b"), namedTask("c"), namedTask("d")});
    setStates({StateWaiting, StateCompleted, StateNoExecutable, StateDisabled});
    TraceCapture trace(h->home.scratch() + "/trace.log");
    selectRows(*h->view, {0, 1, 2, 3});
    h->router.dispatch(cmd::ListEnableFalse);
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{{Prompter::Kind::Refusal,
                             "タスク(b) は完了しました。\n状態を変更することはできません。"}}));
    const std::vector<std::string> texts = {"無効", "完了", "無効", "無効"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cellOf(*h->view, i, 1), texts[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(h->record(1).state, StateCompleted);
    EXPECT_EQ(trace.writes(), 1);
    EXPECT_EQ(trace.count("CChorelinView::OnListEnableFalse() Start"), 1);
    EXPECT_EQ(trace.count("CChorelinView::OnListEnableFalse() End"), 1);
    const std::vector<TaskRecord> saved = readTaskFile(h->taskFile);
    EXPECT_EQ(saved[0].state, StateDisabled);
    EXPECT_EQ(saved[2].state, StateDisabled);
}

TEST_F(StateCommands, ARunningTaskIsRefusedByTheHandleWhateverItsState) {
    start({namedTask("a"), namedTask("b")});
    setStates({StateWaiting, StateCompleted});
    {
        TaskLockGuard guard(h->ctx->taskLock);
        // The handle is tested first: a Completed task holding a process gets the running refusal.
        h->record(1).processInfo.processHandle = 4242;
    }
    selectRows(*h->view, {0, 1});
    h->view->OnListEnableFalse();
    h->view->OnListEnableTrue();
    const Shown running{Prompter::Kind::Refusal, "実行中のため状態を変更することが出来ません。"};
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{running, running}));
    EXPECT_EQ(h->record(0).state, StateWaiting);
    EXPECT_EQ(h->record(1).state, StateCompleted);
}

TEST_F(StateCommands, NothingSelectedIsRefusedWithoutAWrite) {
    start({namedTask("a")});
    TraceCapture trace(h->home.scratch() + "/trace.log");
    const FileStamp before = stampOf(h->taskFile);
    h->view->OnListEnableTrue();
    h->view->OnListEnableFalse();
    const Shown refusal{Prompter::Kind::Refusal, "状態変更するタスクを指定してください。"};
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{refusal, refusal}));
    EXPECT_EQ(trace.writes(), 0);
    EXPECT_EQ(stampOf(h->taskFile), before);
    EXPECT_EQ(trace.count("CChorelinView::OnListEnableTrue() End"), 1);
}

TEST_F(StateCommands, DisablingADisabledTaskStillWritesTheFile) {
    start({namedTask("a")});
    setStates({StateDisabled});
    TraceCapture trace(h->home.scratch() + "/trace.log");
    selectRows(*h->view, {0});
    h->view->OnListEnableFalse();
    EXPECT_EQ(trace.writes(), 1);
    EXPECT_EQ(cellOf(*h->view, 0, 1), "無効");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(StateCommands, RefreshWithNoTasksEmptiesTheListAndLeavesTheFileEmpty) {
    start({});
    h->view->setRowCount(2); // stray rows the refresh must clear
    TraceCapture trace(h->home.scratch() + "/trace.log");
    ASSERT_TRUE(h->router.dispatch(cmd::Refresh));
    EXPECT_EQ(h->view->rowCount(), 0);
    EXPECT_EQ(readFile(h->taskFile).size(), 0u);
    EXPECT_EQ(trace.writes(), 1);
    EXPECT_EQ(trace.count("CChorelinView::OnRefresh() Start"), 1);
}
