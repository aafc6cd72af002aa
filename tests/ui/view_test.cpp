// The task list: headers, rows in table order, state texts, colours, column widths and the
// workers' two messages.

#include "ui_harness.h"

#include "engine/engine_test_helpers.h"
#include "store/trace.h"

#include "resources/command_ids.h"
#include "support/fake_clock.h"
#include "ui/empty_list_hint.h"
#include "ui/state_text.h"
#include "ui/task_row_delegate.h"

#include <QHeaderView>
#include <QImage>
#include <QStyleOptionViewItem>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using namespace testing_support;
using namespace ui_testing;

namespace {

TaskRecord task(const std::string& name, int state = StateWaiting) {
    TaskDraft draft;
    draft.name = name;
    draft.state = state;
    return makeTask(draft);
}

// What the delegate would paint a cell with: background and text colour, or invalid colours
// when the default is kept.
struct Painted {
    QColor background;
    QColor text;
};

Painted paintedCell(CChorelinView& view, int row, int column) {
    auto* delegate = dynamic_cast<TaskRowDelegate*>(view.itemDelegate());
    EXPECT_NE(delegate, nullptr);
    QStyleOptionViewItem plain;
    plain.initFrom(&view);
    const QColor defaultText = plain.palette.color(QPalette::Text);
    QStyleOptionViewItem option;
    option.initFrom(&view);
    delegate->initStyleOption(&option, view.model()->index(row, column));
    Painted painted;
    if (option.backgroundBrush.style() != Qt::NoBrush)
        painted.background = option.backgroundBrush.color();
    if (option.palette.color(QPalette::Text) != defaultText)
        painted.text = option.palette.color(QPalette::Text);
    return painted;
}

// The width a cell needs to show its text whole.
int neededWidth(CChorelinView& view, int row, int column) {
    QStyleOptionViewItem option;
    option.initFrom(&view);
    return view.itemDelegate()->sizeHint(option, view.model()->index(row, column)).width();
}

} // namespace

TEST(ChorelinView, HasTheNineLeftAlignedHeadersAndListStyle) {
    ViewHarness h;
    ASSERT_TRUE(h.initialUpdate());
    const std::vector<std::string> expected = {
        "名前",   "状態",       "実行時刻",   "スケジュール", "開始日",
        "終了日", "前回実行日", "次回実行日", "登録ファイル", "前回の結果"};
    ASSERT_EQ(h.view->columnCount(), 10);
    for (int k = 0; k < 10; ++k) {
        const QTableWidgetItem* header = h.view->horizontalHeaderItem(k);
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->text().toStdString(), expected[static_cast<size_t>(k)]);
        EXPECT_TRUE(header->textAlignment() & Qt::AlignLeft);
    }
    EXPECT_EQ(h.view->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(h.view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(h.view->showGrid());
    EXPECT_FALSE(h.view->isSortingEnabled());
    EXPECT_FALSE(h.view->horizontalHeader()->sectionsClickable());
    EXPECT_EQ(h.view->font().pixelSize(), 14);
}

TEST(ChorelinView, InitialUpdateLoadsShowsAndLetsTheWorkersRun) {
    TaskRecord running = task("running");
    running.state = StateRunning;
    running.processInfo.processHandle = 77;
    TaskRecord onceRunning = task("once");
    onceRunning.state = StateRunning;
    onceRunning.once = 1;
    onceRunning.daily = 0;
    ViewHarness h({task("a"), running, onceRunning});
    ASSERT_FALSE(h.ctx->schedulerRunEvent.isSet());
    ASSERT_TRUE(h.initialUpdate());

    EXPECT_TRUE(h.ctx->schedulerRunEvent.isSet());
    EXPECT_TRUE(h.ctx->watcherRunEvent.isSet());
    EXPECT_TRUE(static_cast<bool>(h.ctx->viewWindow));
    EXPECT_EQ(h.ctx->maxTaskCount, 256);
    ASSERT_EQ(h.view->rowCount(), 3);
    EXPECT_EQ(utf8Cell(*h.view, 0, 0), "a");
    EXPECT_EQ(utf8Cell(*h.view, 1, 0), "running");
    EXPECT_EQ(utf8Cell(*h.view, 2, 0), "once");
    // Registered files are missing here, so the load marks them; the run-time block is cleared.
    EXPECT_EQ(h.record(1).processInfo.processHandle, 0);
    ASSERT_NE(h.view->trayIcon(), nullptr);
    EXPECT_EQ(h.view->trayIcon()->toolTip().toStdString(),
              "Chorelin\n3 個のタスクが登録されています。");
}

TEST(ChorelinView, InitialUpdateWithNoTaskFileCreatesAnEmptyOne) {
    ViewHarness h;
    ASSERT_EQ(::unlink(h.taskFile.c_str()), 0);
    ASSERT_TRUE(h.initialUpdate());
    EXPECT_TRUE(exists(h.taskFile));
    EXPECT_EQ(readFile(h.taskFile).size(), 0u);
    EXPECT_EQ(h.view->rowCount(), 0);
    EXPECT_EQ(h.view->trayToolTip().toStdString(), "Chorelin\n0 個のタスクが登録されています。");
}

TEST(ChorelinView, AnEmptyListTellsHowToAddATask) {
    ViewHarness h;
    ASSERT_TRUE(h.initialUpdate());
    // Ink in the list's empty area, below where a first row goes: the hint is there only while
    // no task is, and goes as soon as one is added.
    auto hintPixels = [&] {
        const QImage image = h.view->viewport()->grab().toImage();
        const QRgb base = h.view->palette().color(QPalette::Base).rgb();
        int count = 0;
        for (int y = image.height() / 3; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) != base;
        return count;
    };
    EXPECT_GT(hintPixels(), 50);
    EXPECT_NE(emptyListHint().indexOf(QStringLiteral("「タスク(T)」→「タスクの追加」")), -1);
    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.ctx->tasks.push_back(task("a"));
        h.ctx->taskCount = 1;
        h.view->MyInsertItem(0);
    }
    EXPECT_EQ(hintPixels(), 0);
}

TEST(ChorelinView, InitialUpdateFailsWhenTheTaskFileCannotBeCreated) {
    ViewHarness h;
    setField(h.ctx->taskFilePath, h.home.documents() + "/no/such/folder/x.tsk");
    EXPECT_FALSE(h.initialUpdate());
    EXPECT_FALSE(h.ctx->schedulerRunEvent.isSet());
    EXPECT_FALSE(h.ctx->watcherRunEvent.isSet());
    EXPECT_EQ(h.view->trayIcon(), nullptr);
}

TEST(ChorelinView, RowsShowTheRecordTextsInTableOrder) {
    TaskDraft draft;
    draft.name = "日報を開く";
    draft.runTime = "08:30";
    draft.schedule = "月・水・金";
    draft.registeredFile = "/srv/共有/日報.txt";
    draft.startDate = "2024/01/01";
    draft.endDate = "2024/12/31";
    draft.lastRun = "2024/05/08";
    draft.nextRun = "2024/05/10";
    ViewHarness h({task("zeta"), makeTask(draft), task("alpha")});
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        // The list shows what the records hold, whatever the next-run computation made of them.
        setField(h.record(1).nextRunText, "2024/05/10");
        h.record(1).state = StateWaiting;
        h.view->MySetItem();
    }
    ASSERT_EQ(h.view->rowCount(), 3);
    EXPECT_EQ(utf8Cell(*h.view, 0, 0), "zeta");
    EXPECT_EQ(utf8Cell(*h.view, 2, 0), "alpha");
    const std::vector<std::string> row1 = {"日報を開く", "実行待ち",   "08:30",
                                           "月・水・金", "2024/01/01", "2024/12/31",
                                           "2024/05/08", "2024/05/10", "/srv/共有/日報.txt"};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(utf8Cell(*h.view, 1, k), row1[static_cast<size_t>(k)]) << "column " << k;
    EXPECT_EQ(h.view->taskIndexOfRow(1), 1);
    EXPECT_EQ(h.view->rowNameCp932(1), cp932("日報を開く"));
}

TEST(ChorelinView, EachStateHasItsText) {
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "不明"},   {1, "実行待ち"}, {2, "登録ﾌｧｲﾙなし"}, {3, "実行ﾌｧｲﾙなし"}, {4, "無効"},
        {5, "実行中"}, {6, "完了"},     {7, "不明"},         {-1, "不明"},        {1000, "不明"}};
    std::vector<TaskRecord> records;
    for (size_t i = 0; i < cases.size(); ++i)
        records.push_back(task("t" + std::to_string(i)));
    ViewHarness h(records);
    ASSERT_TRUE(h.initialUpdate());
    TaskLockGuard guard(h.ctx->taskLock);
    for (size_t i = 0; i < cases.size(); ++i) {
        h.record(static_cast<int>(i)).state = cases[i].first;
        h.view->MySetStateText(static_cast<int>(i));
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(utf8Cell(*h.view, static_cast<int>(i), 1), cases[i].second)
            << "state " << cases[i].first;
        EXPECT_EQ(stateText(cases[i].first), cases[i].second);
    }
}

TEST(ChorelinView, RowColoursFollowTheOutcomeTable) {
    FakeClock clock(2024, 5, 10, 12, 0);
    const QColor grey(204, 204, 204), green(204, 255, 204), blue(0, 0, 255), yellow(255, 255, 128),
        red(255, 0, 0), pink(255, 147, 147), none;
    struct Case {
        const char* what;
        int state;
        const char* nextRun;
        int processHandle;
        int launchResult;
        QColor background;
        QColor text;
    };
    const std::vector<Case> cases = {
        {"disabled", StateDisabled, "2024/05/11", 0, 0, grey, none},
        {"disabled, due today", StateDisabled, "2024/05/10", 0, 2, grey, none},
        {"completed", StateCompleted, "", 0, 0, green, blue},
        {"completed, due today, running", StateCompleted, "2024/05/10", 9, 0, green, blue},
        {"running", StateRunning, "2024/05/11", 9, 1, yellow, red},
        {"running, due today", StateRunning, "2024/05/10", 9, 2, yellow, red},
        {"failed, due today", StateWaiting, "2024/05/10", 0, 2, pink, red},
        {"failed", StateWaiting, "2024/05/11", 0, 2, pink, none},
        {"due today", StateWaiting, "2024/05/10", 0, 1, none, red},
        {"anything else", StateWaiting, "2024/05/11", 0, 1, none, none},
        {"unknown state, due today", 7, "2024/05/10", 0, 0, none, red},
        {"no next run", StateNoRegisteredFile, "", 0, 0, none, none},
    };
    std::vector<TaskRecord> records;
    for (size_t i = 0; i < cases.size(); ++i)
        records.push_back(task("c" + std::to_string(i)));
    ViewHarness h(records);
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        for (size_t i = 0; i < cases.size(); ++i) {
            TaskRecord& r = h.record(static_cast<int>(i));
            r.state = cases[i].state;
            setField(r.nextRunText, cases[i].nextRun);
            r.processInfo.processHandle = cases[i].processHandle;
            r.launchResult = cases[i].launchResult;
        }
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        for (int column : {0, 4, 8}) {
            const Painted painted = paintedCell(*h.view, static_cast<int>(i), column);
            EXPECT_EQ(painted.background, cases[i].background) << cases[i].what;
            EXPECT_EQ(painted.text, cases[i].text) << cases[i].what;
        }
    }
    // Today is read at paint time: the next day, yesterday's due row is plain again.
    clock.set(2024, 5, 11, 0, 0);
    EXPECT_EQ(paintedCell(*h.view, 8, 0).text, none);
    EXPECT_EQ(paintedCell(*h.view, 9, 0).text, red);
}

TEST(ChorelinView, LastOutcomeColumnTellsHowTheNewestRunWent) {
    // After the tasks' 09:00, so that no row is drawn as due today.
    FakeClock clock(2024, 5, 10, 12, 0);
    using E = history::RunEnding;
    const auto run = [](const char* task, E ending, std::optional<int> code, int64_t id = 5) {
        history::RunRecord r;
        r.id = id;
        r.task = task;
        r.ending = ending;
        (ending == E::Exited ? r.exitCode : r.signal) = code;
        return r;
    };
    const struct {
        history::RunRecord run;
        const char* text;
        bool failed;
    } cases[] = {
        {run("ok", E::Exited, 0), "正常終了 (0)", false},
        {run("three", E::Exited, 3), "異常終了 (3)", true},
        {run("segv", E::Signal, SIGSEGV), "シグナル (SIGSEGV)", true},
        {run("killed", E::Killed, SIGKILL), "強制終了", false},
        {run("nostart", E::Failed, {}), "起動失敗", true},
        {run("lost", E::Lost, {}), "不明", false},
    };
    std::vector<TaskRecord> records;
    for (const auto& c : cases)
        records.push_back(task(c.run.task));
    records.push_back(task("never"));
    records.push_back(task("running"));
    ViewHarness h(records);
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.record(7).state = StateRunning;
        h.record(7).processInfo.processHandle = 9;
        h.view->writeRow(7);
    }
    for (const auto& c : cases)
        h.view->noteRunOver(c.run);
    // A late report of an older run leaves the newer one in place.
    h.view->noteRunOver(run("ok", E::Exited, 9, 1));
    QCoreApplication::sendPostedEvents();
    const int column = CChorelinView::kLastOutcomeColumn;
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text);
        EXPECT_EQ(utf8Cell(*h.view, static_cast<int>(i), column), cases[i].text);
        EXPECT_EQ(paintedCell(*h.view, static_cast<int>(i), column).text.isValid(),
                  cases[i].failed);
        EXPECT_FALSE(paintedCell(*h.view, static_cast<int>(i), 0).text.isValid());
    }
    EXPECT_EQ(utf8Cell(*h.view, 6, column), "");
    EXPECT_EQ(utf8Cell(*h.view, 7, column), "実行中");
}

TEST(ChorelinView, PaintsTheRowBackground) {
    FakeClock clock(2024, 5, 10, 12, 0);
    ViewHarness h({task("plain"), task("off")});
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.record(1).state = StateDisabled;
        h.record(0).state = StateWaiting;
        setField(h.record(0).nextRunText, "2024/05/11");
        h.view->MySetItem();
    }
    h.view->clearSelection();
    h.view->setCurrentItem(nullptr);
    const QImage image = h.view->grab().toImage();
    const QRect cell = h.view->visualRect(h.view->model()->index(1, 2));
    const QPoint probe = h.view->viewport()->mapTo(h.view.get(), cell.topRight()) + QPoint(-3, 3);
    EXPECT_EQ(QColor(image.pixel(probe)), QColor(204, 204, 204));
    const QRect plainCell = h.view->visualRect(h.view->model()->index(0, 2));
    const QPoint plainProbe =
        h.view->viewport()->mapTo(h.view.get(), plainCell.topRight()) + QPoint(-3, 3);
    EXPECT_NE(QColor(image.pixel(plainProbe)), QColor(204, 204, 204));
}

TEST(ChorelinView, AColumnFitsALongCellElseItsHeader) {
    TaskDraft longSpec;
    longSpec.name = "long";
    longSpec.registeredFile = "/home/user/" + std::string(150, 'x') + "/とても長いファイル名.txt";
    ViewHarness h({task("short"), makeTask(longSpec)});
    ASSERT_TRUE(h.initialUpdate());
    QHeaderView* header = h.view->horizontalHeader();
    // Column 2 ("実行時刻", 8 bytes) holds "09:00" only: the header's width, not the cell's.
    EXPECT_GE(h.view->columnWidth(2), header->sectionSizeHint(2));
    EXPECT_GT(h.view->columnWidth(2), neededWidth(*h.view, 0, 2));
    // Column 8 grows to the long path.
    const int pathWidth =
        h.view->fontMetrics().horizontalAdvance(QString::fromStdString(longSpec.registeredFile));
    EXPECT_GT(h.view->columnWidth(8), header->sectionSizeHint(8));
    EXPECT_GE(h.view->columnWidth(8), pathWidth);

    // Once the long row is gone, the column returns to its header.
    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.ctx->tasks.resize(1);
        h.ctx->taskCount = 1;
        h.view->MySetItem();
        h.view->MyListArrange();
    }
    EXPECT_GE(h.view->columnWidth(8), header->sectionSizeHint(8));
    EXPECT_LT(h.view->columnWidth(8), pathWidth);
}

TEST(ChorelinView, ACellAsLongAsItsHeaderIsShownWhole) {
    TaskDraft draft;
    draft.name = "dated";
    draft.lastRun = "2024/05/08"; // 10 bytes, as many as "前回実行日"
    ViewHarness h({makeTask(draft)});
    ASSERT_TRUE(h.initialUpdate());
    EXPECT_GE(h.view->columnWidth(6), neededWidth(*h.view, 0, 6));
}

TEST(ChorelinView, TaskEndMessageRewritesThatRowOnly) {
    ViewHarness h({task("a"), task("b"), task("c")});
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        for (int i = 0; i < 3; ++i)
            h.record(i).state = StateRunning;
        h.view->MySetItem();
        h.record(0).state = StateWaiting;
        h.record(1).state = StateCompleted;
        h.ctx->refreshRow = 1;
    }
    // Posted from another thread, as the watcher does.
    std::thread worker([&] { h.ctx->post(WM_MYTASKEND, 1); });
    worker.join();
    ASSERT_TRUE(waitFor([&] { return utf8Cell(*h.view, 1, 1) == "完了"; }));
    EXPECT_EQ(utf8Cell(*h.view, 0, 1), "実行中");
    EXPECT_EQ(utf8Cell(*h.view, 2, 1), "実行中");
    EXPECT_EQ(h.ctx->refreshRow, 0);

    // A row the list does not have is ignored.
    h.ctx->post(WM_MYTASKEND, 7);
    h.ctx->post(WM_MYTASKEND, -1);
    QApplication::processEvents();
    EXPECT_EQ(h.view->rowCount(), 3);
}

TEST(ChorelinView, EndsThatArriveTogetherAreRedrawnTogetherWithOneColumnFit) {
    ViewHarness h({task("a"), task("b"), task("c")});
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        for (int i = 0; i < 3; ++i)
            h.record(i).state = StateRunning;
        h.view->MySetItem();
    }
    const std::string trace = h.home.scratch() + "/trace.log";
    setenv("CHORELIN_TRACE", trace.c_str(), 1);
    resetTraceSink();
    const auto fits = [&] {
        int n = 0;
        for (const std::string& line : engine_test::readLines(trace))
            n += line == "CChorelinView::MyListArrange() Start";
        return n;
    };
    // Two ends posted before the window gets to them, as the watcher does when both end at once.
    std::thread watcher([&] {
        TaskLockGuard guard(h.ctx->taskLock);
        h.record(0).state = StateWaiting;
        h.ctx->post(WM_MYTASKEND, 0);
        h.record(2).state = StateCompleted;
        h.ctx->post(WM_MYTASKEND, 2);
    });
    watcher.join();
    ASSERT_TRUE(waitFor([&] { return utf8Cell(*h.view, 2, 1) == "完了"; }));
    EXPECT_EQ(utf8Cell(*h.view, 0, 1), "実行待ち");
    EXPECT_EQ(utf8Cell(*h.view, 1, 1), "実行中");
    EXPECT_EQ(fits(), 1);

    // A later end is a batch of its own.
    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.record(1).state = StateWaiting;
    }
    h.ctx->post(WM_MYTASKEND, 1);
    ASSERT_TRUE(waitFor([&] { return utf8Cell(*h.view, 1, 1) == "実行待ち"; }));
    EXPECT_EQ(fits(), 2);
    unsetenv("CHORELIN_TRACE");
    resetTraceSink();
}

TEST(ChorelinView, TaskUpdateMessageRewritesEveryRowWithoutAddingAny) {
    ViewHarness h({task("a"), task("b")});
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.record(0).state = StateRunning;
        setField(h.record(0).lastRunText, "2024/05/10");
        setField(h.record(1).name, "renamed");
        h.record(1).state = StateDisabled;
        // A record without a row: the message must not add one.
        h.ctx->tasks.push_back(task("extra"));
        h.ctx->taskCount = 3;
    }
    std::thread worker([&] { h.ctx->post(WM_MYTASKUPDATE, 0); });
    worker.join();
    ASSERT_TRUE(waitFor([&] { return utf8Cell(*h.view, 1, 0) == "renamed"; }));
    EXPECT_EQ(utf8Cell(*h.view, 0, 1), "実行中");
    EXPECT_EQ(utf8Cell(*h.view, 0, 6), "2024/05/10");
    EXPECT_EQ(utf8Cell(*h.view, 1, 1), "無効");
    EXPECT_EQ(h.view->rowCount(), 2);
}

TEST(ChorelinView, RefreshRebuildsTheRowsAndWritesTheTaskFile) {
    ViewHarness h({task("a"), task("b")});
    ASSERT_TRUE(h.initialUpdate());
    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.ctx->tasks.erase(h.ctx->tasks.begin());
        h.ctx->taskCount = 1;
    }
    ASSERT_TRUE(h.router.dispatch(cmd::Refresh));
    ASSERT_EQ(h.view->rowCount(), 1);
    EXPECT_EQ(utf8Cell(*h.view, 0, 0), "b");
    const std::vector<TaskRecord> saved = readTaskFile(h.taskFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(fieldString(saved[0].name), "b");

    {
        TaskLockGuard guard(h.ctx->taskLock);
        h.ctx->tasks.clear();
        h.ctx->taskCount = 0;
    }
    h.router.dispatch(cmd::Refresh);
    EXPECT_EQ(h.view->rowCount(), 0);
    EXPECT_EQ(readFile(h.taskFile).size(), 0u);
}

TEST(ChorelinView, SelectedRowsComeInAscendingOrder) {
    ViewHarness h({task("a"), task("b"), task("c"), task("d")});
    ASSERT_TRUE(h.initialUpdate());
    for (int row : {3, 1})
        h.view->selectionModel()->select(h.view->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(h.view->selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(h.view->taskIndexOfRow(3), 3);
    EXPECT_EQ(h.view->taskIndexOfRow(9), -1);
}
