// Add, change, delete and the double click: the table, the rows, the task file, the tooltip and
// every message, with the entry dialog and the message boxes answered by scripts.

#include "command_harness.h"

#include "resources/command_ids.h"
#include "store/schedule_text.h"
#include "support/fake_clock.h"

#include <QTest>

using namespace testing_support;
using namespace ui_testing;

namespace {

class EditCommands : public ::testing::Test {
protected:
    void start(const std::vector<TaskRecord>& records) {
        h = std::make_unique<ViewHarness>(records);
        ASSERT_TRUE(h->initialUpdate());
    }
    void TearDown() override {
        // Fake process handles set by a test are no descriptors of this process.
        if (h) {
            TaskLockGuard guard(h->ctx->taskLock);
            for (TaskRecord& task : h->ctx->tasks)
                task.processInfo = ProcessBlock{};
        }
    }
    std::string tooltip() const { return h->view->trayIcon()->toolTip().toStdString(); }

    FakeClock clock{2024, 5, 8, 10, 0}; // a Wednesday
    ScriptedPrompter prompts;
    ScriptedEntryDialog dialog;
    std::unique_ptr<ViewHarness> h;
};

TaskRecord newTask(const std::string& name, const std::string& schedule = "毎日") {
    TaskDraft draft;
    draft.name = name;
    draft.schedule = schedule;
    draft.runTime = "18:00";
    return makeTask(draft);
}

} // namespace

TEST_F(EditCommands, AddingThe256thTaskSucceedsAndThe257thIsRefusedBeforeTheDialog) {
    std::vector<TaskRecord> records;
    for (int i = 0; i < 255; ++i)
        records.push_back(namedTask("t" + std::to_string(i)));
    start(records);
    dialog.steps.push_back([](const EntryDialogRequest&) { return accepted(newTask("last")); });
    ASSERT_TRUE(h->router.dispatch(cmd::ListAdd));
    EXPECT_EQ(h->ctx->taskCount, 256);
    EXPECT_EQ(h->view->rowCount(), 256);
    EXPECT_EQ(cellOf(*h->view, 255, 0), "last");
    EXPECT_EQ(readTaskFile(h->taskFile).size(), 256u);

    h->router.dispatch(cmd::ListAdd);
    EXPECT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{
                                 {Prompter::Kind::Refusal, "これ以上登録することができません。"}}));
    EXPECT_EQ(h->ctx->taskCount, 256);
}

TEST_F(EditCommands, AddWithNoTableGrowsOneAndShowsTheNewTask) {
    start({});
    ASSERT_EQ(h->ctx->tasks.capacity(), 0u);
    dialog.steps.push_back([](const EntryDialogRequest&) {
        EntryDialogResult result = accepted(newTask("朝の点検"));
        // The text comes from the dialog's flags, not from what the record carried.
        result.flags = {0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0};
        return result;
    });
    h->router.dispatch(cmd::ListAdd);

    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].mode, ModeAdd);
    EXPECT_FALSE(dialog.lockHeld[0]) << "add opens its dialog without taskLock";
    ASSERT_EQ(h->ctx->taskCount, 1);
    ASSERT_EQ(h->ctx->tasks.size(), 1u);
    EXPECT_EQ(fieldString(h->record(0).scheduleText), cp932("月・水・金"));
    EXPECT_EQ(fieldString(h->record(0).nextRunText), "2024/05/08");
    ASSERT_EQ(h->view->rowCount(), 1);
    EXPECT_EQ(cellOf(*h->view, 0, 0), "朝の点検");
    EXPECT_EQ(cellOf(*h->view, 0, 1), "実行待ち");
    EXPECT_EQ(cellOf(*h->view, 0, 3), "月・水・金");
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2024/05/08");
    const std::vector<TaskRecord> saved = readTaskFile(h->taskFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(fieldString(saved[0].name), cp932("朝の点検"));
    EXPECT_EQ(tooltip(), "Chorelin\n1 個のタスクが登録されています。");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(EditCommands, AddEndsWithTheRefreshAndACancelChangesNothing) {
    start({namedTask("a")});
    TraceCapture trace(h->home.scratch() + "/trace.log");
    dialog.cancel();
    const FileStamp before = stampOf(h->taskFile);
    h->view->OnListAdd();
    EXPECT_EQ(stampOf(h->taskFile), before);
    EXPECT_EQ(h->ctx->taskCount, 1);

    dialog.steps.push_back([](const EntryDialogRequest&) { return accepted(newTask("b")); });
    h->view->OnListAdd();
    EXPECT_EQ(trace.writes(), 2) << "once by add, once by its refresh";
    EXPECT_EQ(trace.count("CChorelinView::OnRefresh() End"), 1);
}

TEST_F(EditCommands, DeletingEveryTaskReleasesTheTable) {
    start({namedTask("a"), namedTask("b"), namedTask("c")});
    selectRows(*h->view, {0, 1, 2});
    prompts.answers = {true};
    h->router.dispatch(cmd::ListDelete);
    EXPECT_EQ(prompts.shown,
              (std::vector<Shown>{
                  {Prompter::Kind::Question, "3 個のタスクを削除します。\nよろしいですか？"}}));
    EXPECT_EQ(h->ctx->taskCount, 0);
    EXPECT_TRUE(h->ctx->tasks.empty());
    EXPECT_EQ(h->ctx->tasks.capacity(), 0u);
    EXPECT_EQ(h->view->rowCount(), 0);
    EXPECT_EQ(tooltip(), "Chorelin\n0 個のタスクが登録されています。");
    EXPECT_EQ(readFile(h->taskFile).size(), 0u);

    // And an add afterwards starts a fresh table of one.
    dialog.steps.push_back([](const EntryDialogRequest&) { return accepted(newTask("n")); });
    h->view->OnListAdd();
    EXPECT_EQ(h->ctx->taskCount, 1);
    EXPECT_EQ(cellOf(*h->view, 0, 0), "n");
}

TEST_F(EditCommands, DeletingThreeRowsWithOneRunningDeletesTheOtherTwoInOrder) {
    start({namedTask("a"), namedTask("b"), namedTask("c"), namedTask("d")});
    {
        TaskLockGuard guard(h->ctx->taskLock);
        h->record(1).processInfo.processHandle = 4242;
    }
    TraceCapture trace(h->home.scratch() + "/trace.log");
    selectRows(*h->view, {0, 1, 3});
    prompts.answers = {true};
    h->view->OnListDelete();
    EXPECT_EQ(prompts.shown,
              (std::vector<Shown>{
                  {Prompter::Kind::Question, "3 個のタスクを削除します。\nよろしいですか？"},
                  {Prompter::Kind::Refusal, "実行中のタスクを削除することはできません。"}}));
    ASSERT_EQ(h->ctx->taskCount, 2);
    EXPECT_EQ(fieldString(h->record(0).name), "b");
    EXPECT_EQ(fieldString(h->record(1).name), "c");
    EXPECT_EQ(cellOf(*h->view, 0, 0), "b");
    EXPECT_EQ(cellOf(*h->view, 1, 0), "c");
    const std::vector<TaskRecord> saved = readTaskFile(h->taskFile);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(fieldString(saved[1].name), "c");
    EXPECT_EQ(trace.writes(), 1);
    EXPECT_EQ(trace.count("CChorelinView::OnListDelete() Start"), 1);
    EXPECT_EQ(trace.count("CChorelinView::OnListDelete() End"), 1);
    EXPECT_EQ(tooltip(), "Chorelin\n2 個のタスクが登録されています。");
}

TEST_F(EditCommands, DeletingOneRowAnsweredNoWritesNothingButRefreshesTheTooltip) {
    start({namedTask("a"), namedTask("b"), namedTask("c")});
    selectRows(*h->view, {1});
    h->view->trayIcon()->setToolTip(QStringLiteral("stale"));
    const FileStamp before = stampOf(h->taskFile);
    prompts.answers = {false};
    h->view->OnListDelete();
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{{Prompter::Kind::Question,
                                                  "b を削除します。\nよろしいですか？"}}));
    EXPECT_EQ(h->ctx->taskCount, 3);
    EXPECT_EQ(h->view->rowCount(), 3);
    EXPECT_EQ(stampOf(h->taskFile), before);
    EXPECT_EQ(tooltip(), "Chorelin\n3 個のタスクが登録されています。");

    prompts.answers = {true};
    h->view->OnListDelete();
    EXPECT_EQ(h->ctx->taskCount, 2);
    EXPECT_EQ(cellOf(*h->view, 1, 0), "c");
}

TEST_F(EditCommands, DeleteRefusalsAndAManyRowNo) {
    start({namedTask("a"), namedTask("b")});
    h->view->OnListDelete();
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{
                                 {Prompter::Kind::Refusal, "削除するタスクを指定してください。"}}));
    prompts.shown.clear();
    selectRows(*h->view, {0, 1});
    const FileStamp before = stampOf(h->taskFile);
    prompts.answers = {false};
    h->view->OnListDelete();
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(h->ctx->taskCount, 2);
    EXPECT_EQ(stampOf(h->taskFile), before);
}

TEST_F(EditCommands, ARecordBeginningWithByteFFSurvivesTheDeleteOfAnother) {
    TaskRecord odd = namedTask("x");
    odd.name[0] = static_cast<char>(0xFF); // no cp932 text starts so; an untrusted file may
    start({namedTask("a"), odd, namedTask("c")});
    selectRows(*h->view, {0});
    prompts.answers = {true};
    h->view->OnListDelete();
    ASSERT_EQ(h->ctx->taskCount, 2);
    EXPECT_EQ(static_cast<unsigned char>(h->record(0).name[0]), 0xFF);
    EXPECT_EQ(fieldString(h->record(1).name), "c");

    // Its row cannot be found by name, yet it shows its own record and can be deleted too.
    selectRows(*h->view, {0});
    prompts.answers = {true};
    h->view->OnListDelete();
    ASSERT_EQ(h->ctx->taskCount, 1);
    EXPECT_EQ(fieldString(h->record(0).name), "c");
}

TEST_F(EditCommands, ChangingTwoRowsOpensTheDialogTwiceAndACancelledFirstStillOffersTheSecond) {
    start({newTask("a"), newTask("b"), newTask("c")});
    TraceCapture trace(h->home.scratch() + "/trace.log");
    selectRows(*h->view, {0, 2});
    dialog.cancel();
    dialog.steps.push_back([](const EntryDialogRequest& r) {
        TaskRecord changed = r.record;
        setField(changed.runTime, "07:15");
        return accepted(changed);
    });
    h->router.dispatch(cmd::ListChange);

    ASSERT_EQ(dialog.requests.size(), 2u);
    EXPECT_EQ(dialog.requests[0].mode, ModeChange);
    EXPECT_EQ(dialog.requests[0].editIndex, 0);
    EXPECT_EQ(fieldString(dialog.requests[0].record.name), "a");
    EXPECT_EQ(dialog.requests[1].editIndex, 2);
    EXPECT_EQ(fieldString(dialog.requests[1].record.name), "c");
    EXPECT_TRUE(dialog.lockHeld[0] && dialog.lockHeld[1]) << "change holds taskLock";
    EXPECT_EQ(fieldString(h->record(0).runTime), "18:00");
    EXPECT_EQ(fieldString(h->record(2).runTime), "07:15");
    EXPECT_EQ(cellOf(*h->view, 2, 2), "07:15");
    // At 10:00 a run at 07:15 has passed: the next run moves to tomorrow.
    EXPECT_EQ(cellOf(*h->view, 2, 7), "2024/05/09");
    EXPECT_EQ(fieldString(readTaskFile(h->taskFile)[2].runTime), "07:15");
    EXPECT_EQ(trace.writes(), 1);
    EXPECT_EQ(trace.count("CChorelinView::OnListUpdate() End"), 1);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(EditCommands, ChangeRefusesNothingSelectedAndARunningTask) {
    start({newTask("a"), newTask("b")});
    const FileStamp before = stampOf(h->taskFile);
    h->view->OnListUpdate();
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{
                                 {Prompter::Kind::Refusal, "変更するタスクを指定してください。"}}));
    prompts.shown.clear();
    {
        TaskLockGuard guard(h->ctx->taskLock);
        h->record(0).processInfo.processHandle = 4242;
    }
    selectRows(*h->view, {0, 1});
    dialog.acceptAsGiven();
    h->view->OnListUpdate();
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{{Prompter::Kind::Refusal,
                                                  "実行中のタスクを変更することはできません。"}}));
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].editIndex, 1);
    EXPECT_NE(stampOf(h->taskFile), before);
}

TEST_F(EditCommands, ACompletedTaskAnsweredNoStaysAndYesRunsAgain) {
    TaskRecord done = newTask("done");
    start({done});
    {
        TaskLockGuard guard(h->ctx->taskLock);
        TaskRecord& task = h->record(0);
        task.state = StateCompleted;
        setField(task.lastRunText, "2024/05/08");
        task.lastRunDate = 20240508;
        clearField(task.nextRunText);
        task.nextRunDate = 0;
        h->view->MySetItem();
    }
    const TaskRecord before = h->record(0);
    const FileStamp file = stampOf(h->taskFile);
    selectRows(*h->view, {0});
    prompts.answers = {false};
    h->view->OnListUpdate();
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{{Prompter::Kind::Question,
                             "指定のタスク（done）は完了しました。\n再スケジュールしますか？"}}));
    EXPECT_TRUE(dialog.requests.empty());
    EXPECT_EQ(std::memcmp(&h->record(0), &before, sizeof before), 0);
    EXPECT_EQ(stampOf(h->taskFile), file);

    prompts.answers = {true};
    dialog.acceptAsGiven();
    h->view->OnListUpdate();
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].record.state, StateCompleted);
    const TaskRecord& task = h->record(0);
    EXPECT_EQ(task.state, StateWaiting);
    // The last run was forgotten before the next run was computed; had it stayed today, the
    // next run would be tomorrow.
    EXPECT_EQ(task.lastRunDate, 0);
    EXPECT_EQ(fieldString(task.lastRunText), "");
    EXPECT_EQ(fieldString(task.nextRunText), "2024/05/08");
    EXPECT_EQ(cellOf(*h->view, 0, 1), "実行待ち");
    EXPECT_EQ(cellOf(*h->view, 0, 6), "");
}

TEST_F(EditCommands, ChangingToOnceOnlyForgetsTheRunDates) {
    start({newTask("a")});
    {
        TaskLockGuard guard(h->ctx->taskLock);
        setField(h->record(0).lastRunText, "2024/05/08");
        h->record(0).lastRunDate = 20240508;
    }
    selectRows(*h->view, {0});
    dialog.steps.push_back([](const EntryDialogRequest& r) {
        TaskRecord once = r.record;
        applyScheduleText(once, schedule_text::kOnce);
        return accepted(once);
    });
    h->view->OnListUpdate();
    EXPECT_EQ(h->record(0).lastRunDate, 0);
    EXPECT_EQ(fieldString(h->record(0).nextRunText), "2024/05/08");
    EXPECT_EQ(cellOf(*h->view, 0, 3), "１回のみ");
}

TEST_F(EditCommands, DoubleClickChangesTheRowClickedAndOnEmptySpaceAsksForARow) {
    start({newTask("a"), newTask("b")});
    h->view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h->view.get()));
    TraceCapture trace(h->home.scratch() + "/trace.log");
    dialog.acceptAsGiven();
    const QPoint onB = h->view->visualRect(h->view->model()->index(1, 0)).center();
    QTest::mouseClick(h->view->viewport(), Qt::LeftButton, {}, onB);
    QTest::mouseDClick(h->view->viewport(), Qt::LeftButton, {}, onB);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].editIndex, 1);
    EXPECT_EQ(trace.count("CChorelinView::OnLButtonDblClk() Start"), 1);
    EXPECT_EQ(trace.count("CChorelinView::OnLButtonDblClk() End"), 1);

    const QPoint below(onB.x(), h->view->viewport()->height() - 5);
    QTest::mouseClick(h->view->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(h->view->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{
                                 {Prompter::Kind::Refusal, "変更するタスクを指定してください。"}}));
    EXPECT_EQ(dialog.requests.size(), 1u);
}
