// The 実行履歴 command and dialog over a real history in the test's home: the refusal, the
// rows of every outcome, failed rows standing out, the output shown below and its cut note.

#include "command_harness.h"

#include "dialogs/history_dialog.h"
#include "history/history_store.h"
#include "resources/command_ids.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <unistd.h>

using namespace testing_support;
using namespace ui_testing;
using namespace history;

namespace {

history::RunAttempt attemptOf(const std::string& task, RunTrigger trigger, int64_t startMs) {
    RunAttempt a;
    a.task = task;
    a.registeredFile = "/home/u/job.sh";
    a.program = a.registeredFile;
    a.trigger = trigger;
    a.startMs = startMs;
    return a;
}

// One run of `task` that ended as `end` (or failed with `error`) and wrote `output`.
void addRun(HistoryStore& store, const std::string& task, RunTrigger trigger,
            std::optional<RunEnd> end, const std::string& output = "",
            const std::string& error = "") {
    static int64_t start = 1715310000000; // 2024-05-10 03:00 UTC
    start += 60000;
    RunTicket ticket = store.prepareRun(attemptOf(task, trigger, start));
    if (!output.empty()) {
        EXPECT_EQ(::write(ticket.outputFd, output.data(), output.size()),
                  static_cast<ssize_t>(output.size()));
    }
    ::close(ticket.outputFd);
    if (!error.empty()) {
        store.runFailed(ticket.id, error);
        return;
    }
    store.runStarted(ticket.id, 100);
    if (end) {
        end->endMs = start + 2500;
        store.runEnded(ticket.id, *end);
    }
}

RunEnd exited(int code) {
    RunEnd e;
    e.exitCode = code;
    return e;
}

RunEnd ended(RunEnd::Kind kind, int sig = 0) {
    RunEnd e;
    e.kind = kind;
    e.signal = sig;
    return e;
}

class HistoryWindow : public ::testing::Test {
protected:
    void SetUp() override { setenv("TZ", "UTC", 1), tzset(); }
    void TearDown() override {
        unsetenv("TZ");
        tzset();
        CDialogHistory::setFileOpener({});
    }
    std::string cell(CDialogHistory& dialog, int row, int column) {
        return utf8Cell(*dialog.findChild<QTableWidget*>("runs"), row, column);
    }
    std::string note(CDialogHistory& dialog) {
        return dialog.findChild<QLabel*>("outputNote")->text().toStdString();
    }
    TempHome home;
};

} // namespace

TEST_F(HistoryWindow, CommandRefusesNoSelectionAndOpensTheFirstSelectedTask) {
    ViewHarness h({makeTask({.name = "first"}), makeTask({.name = "second"})});
    ScriptedPrompter prompts;
    ASSERT_TRUE(h.initialUpdate());
    h.router.dispatch(cmd::ListHistory);
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{{Prompter::Kind::Refusal,
                                                  "履歴を表示するタスクを指定してください。"}}));

    selectRows(*h.view, {1, 0});
    h.router.dispatch(cmd::ListHistory);
    auto* dialog = h.view->window()->findChild<CDialogHistory*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("実行履歴"));
    EXPECT_EQ(dialog->findChild<QLabel*>("taskName")->text(), QStringLiteral("タスク：first"));
    EXPECT_EQ(note(*dialog), "このタスクの実行履歴はありません。");
    // Open while tasks start and end: the dialog holds no lock.
    EXPECT_TRUE(lockFreeForOthers(*h.ctx));
    dialog->close();
}

TEST_F(HistoryWindow, RowsOfEveryOutcome) {
    {
        HistoryStore store(*userHistoryPaths());
        addRun(store, "job", RunTrigger::Manual, std::nullopt); // left running: lost below
    }
    HistoryStore store(*userHistoryPaths());
    addRun(store, "job", RunTrigger::Scheduled, exited(0), "all good\n");
    addRun(store, "job", RunTrigger::Scheduled, exited(3), "out\nerr\n");
    addRun(store, "job", RunTrigger::CatchUp, ended(RunEnd::Kind::Signalled, SIGSEGV));
    addRun(store, "job", RunTrigger::Manual, ended(RunEnd::Kind::Killed));
    addRun(store, "job", RunTrigger::Scheduled, std::nullopt, "", "実行ファイルが見つかりません。");
    addRun(store, "job", RunTrigger::Scheduled, std::nullopt); // still running
    addRun(store, "other", RunTrigger::Scheduled, exited(0));
    store.flush();

    application();
    CDialogHistory dialog("job");
    struct Row {
        const char* start;
        const char* end;
        const char* duration;
        const char* trigger;
        const char* outcome;
        bool failed;
    } rows[] = {
        {"2024/05/10 03:07:00", "", "", "スケジュール", "実行中", false},
        {"2024/05/10 03:06:00", "*", "*", "スケジュール",
         "起動失敗: 実行ファイルが見つかりません。", true},
        {"2024/05/10 03:05:00", "2024/05/10 03:05:02", "2.5秒", "手動", "強制終了", false},
        {"2024/05/10 03:04:00", "2024/05/10 03:04:02", "2.5秒", "取りこぼし実行",
         "シグナル (SIGSEGV)", true},
        {"2024/05/10 03:03:00", "2024/05/10 03:03:02", "2.5秒", "スケジュール", "異常終了 (3)",
         true},
        {"2024/05/10 03:02:00", "2024/05/10 03:02:02", "2.5秒", "スケジュール", "正常終了 (0)",
         false},
        {"2024/05/10 03:01:00", "", "", "手動", "不明", false},
    };
    auto* table = dialog.findChild<QTableWidget*>("runs");
    ASSERT_EQ(table->rowCount(), static_cast<int>(std::size(rows)));
    for (int r = 0; r < table->rowCount(); ++r) {
        const Row& row = rows[r];
        SCOPED_TRACE(row.outcome);
        EXPECT_EQ(cell(dialog, r, 0), row.start);
        if (std::string(row.end) != "*") { // a failed start ends when it failed, now
            EXPECT_EQ(cell(dialog, r, 1), row.end);
            EXPECT_EQ(cell(dialog, r, 2), row.duration);
        }
        EXPECT_EQ(cell(dialog, r, 3), row.trigger);
        EXPECT_EQ(cell(dialog, r, 4), row.outcome);
        EXPECT_EQ(table->item(r, 4)->background().color() == QColor(255, 147, 147), row.failed);
    }

    // The newest run is selected first: still running, no output yet.
    EXPECT_EQ(note(dialog), "出力はありません。");
    table->selectRow(4);
    EXPECT_EQ(dialog.findChild<QPlainTextEdit*>("output")->toPlainText(),
              QStringLiteral("out\nerr\n"));
    EXPECT_EQ(note(dialog), "");
    QString opened;
    CDialogHistory::setFileOpener([&](const QString& path) {
        opened = path;
        return true;
    });
    dialog.findChild<QPushButton*>("openOutput")->click();
    EXPECT_EQ(opened.toStdString(), dialog.runs()[4].outputPath);
    // A failed start keeps no output, and says so.
    table->selectRow(1);
    EXPECT_FALSE(dialog.findChild<QPushButton*>("openOutput")->isEnabled());
    EXPECT_EQ(note(dialog), "出力は保存されていません。");
}

TEST_F(HistoryWindow, LongOutputShowsItsEndWithANote) {
    HistoryStore store(*userHistoryPaths());
    std::string output;
    for (int i = 0; output.size() < 300 * 1024; ++i)
        output += "line " + std::to_string(i) + "\n";
    addRun(store, "chatty", RunTrigger::Scheduled, exited(0), output);
    store.flush();
    application();
    CDialogHistory dialog("chatty");
    const QString shown = dialog.findChild<QPlainTextEdit*>("output")->toPlainText();
    EXPECT_LE(shown.size(), 256 * 1024);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("line ")));
    EXPECT_TRUE(output.ends_with(shown.toStdString()));
    EXPECT_EQ(note(dialog), "出力が長いため、最後の 256 KiB だけを表示しています（全体 " +
                                std::to_string((output.size() + 1023) / 1024) + " KiB）。");
}

TEST_F(HistoryWindow, FollowsARunFromStartToEndAndF5ReadsAgain) {
    HistoryStore store(*userHistoryPaths());
    addRun(store, "job", RunTrigger::Scheduled, exited(3));
    store.flush();
    application();
    CDialogHistory dialog("job");
    ASSERT_TRUE(dialog.findChild<QTimer*>("follow")->isActive());
    auto* output = dialog.findChild<QPlainTextEdit*>("output");

    // A run starts while the dialog is open: a row of its own, selected if it was the newest.
    const int64_t start = 1715320000000; // 2024-05-10 05:46:40 UTC
    RunTicket ticket = store.prepareRun(attemptOf("job", RunTrigger::Manual, start));
    store.runStarted(ticket.id, 200);
    ASSERT_EQ(::write(ticket.outputFd, "first\n", 6), 6);
    store.flush();
    dialog.follow();
    ASSERT_EQ(dialog.runs().size(), 2u);
    EXPECT_EQ(cell(dialog, 0, 4), "実行中");
    dialog.findChild<QTableWidget*>("runs")->selectRow(0);
    // The output reaches its file through a pipe the history drains: followed until it is there.
    const auto shows = [&](const QString& text) {
        return QTest::qWaitFor([&] {
            dialog.follow();
            return output->toPlainText() == text;
        });
    };
    EXPECT_TRUE(shows(QStringLiteral("first\n")));

    // Its output grows, then it ends: the selection stays on it.
    ASSERT_EQ(::write(ticket.outputFd, "second\n", 7), 7);
    ::close(ticket.outputFd);
    EXPECT_TRUE(shows(QStringLiteral("first\nsecond\n")));
    RunEnd end = exited(0);
    end.endMs = start + 80000;
    store.runEnded(ticket.id, end);
    store.flush();
    dialog.follow();
    EXPECT_EQ(cell(dialog, 0, 1), "2024/05/10 05:48:00");
    EXPECT_EQ(cell(dialog, 0, 2), "1分20秒");
    EXPECT_EQ(cell(dialog, 0, 4), "正常終了 (0)");

    // F5 reads everything again, also a run the follower (stopped here) has not seen.
    dialog.findChild<QTimer*>("follow")->stop();
    addRun(store, "job", RunTrigger::Scheduled, exited(1));
    store.flush();
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_F5);
    EXPECT_EQ(dialog.runs().size(), 3u);
}
