// Files dropped on the list: names, run times, schedules, refusals and continue questions, the
// table limit, cancelled dialogs, the write after each confirmed file, and a real drop event.

#include "command_harness.h"
#include "drop_world.h"

#include "platform/text_codec.h"
#include "support/fake_clock.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

using namespace testing_support;
using namespace ui_testing;

namespace {

class Drops : public ::testing::Test {
protected:
    void start(const std::vector<TaskRecord>& records = {}) {
        h = std::make_unique<ViewHarness>(records);
        DropWorld::get().apply();
        setField(h->ctx->defaultSchedule, cp932("毎日"));
        h->ctx->defaultInterval = 10;
        ASSERT_TRUE(h->initialUpdate());
        makeDirs(dir());
    }
    std::string dir() const { return h->home.scratch() + "/drop"; }
    // A document in the drop folder (UTF-8 path).
    std::string document(const std::string& name) {
        const std::string path = dir() + "/" + name;
        writeFile(path, "hello\n");
        return path;
    }
    std::string folder(const std::string& name) {
        makeDirs(dir() + "/" + name);
        return dir() + "/" + name;
    }
    void drop(const std::vector<std::string>& utf8Paths) {
        std::vector<std::string> paths;
        for (const std::string& p : utf8Paths)
            paths.push_back(cp932(p));
        h->view->dropPaths(paths);
    }
    std::string name(int i) { return platform::cp932ToUtf8Lossy(fieldView(h->record(i).name)); }

    FakeClock clock{2024, 5, 8, 14, 55}; // a Wednesday
    ScriptedPrompter prompts;
    ScriptedEntryDialog dialog;
    std::unique_ptr<ViewHarness> h;
};

constexpr Prompter::Kind kRefusal = Prompter::Kind::Refusal;
constexpr Prompter::Kind kContinue = Prompter::Kind::ContinueQuestion;

} // namespace

TEST_F(Drops, ADocumentBecomesATaskPreparedForTheDialogAndIsWrittenAtOnce) {
    start({namedTask("old")});
    const std::string path = document("report.txt");
    dialog.acceptAsGiven();
    drop({path});

    ASSERT_EQ(dialog.requests.size(), 1u);
    const EntryDialogRequest& request = dialog.requests[0];
    EXPECT_EQ(request.mode, ModeAddDropped);
    EXPECT_EQ(request.editIndex, 1);
    EXPECT_TRUE(dialog.lockHeld[0]) << "the drop holds taskLock across the dialog";
    const TaskRecord& prepared = request.record;
    EXPECT_EQ(fieldString(prepared.name), "report.txt(000)");
    EXPECT_EQ(fieldString(prepared.runTime), "15:05");
    EXPECT_EQ(fieldString(prepared.scheduleText), cp932("毎日"));
    EXPECT_EQ(prepared.daily, 1);
    EXPECT_EQ(fieldString(prepared.registeredFile), cp932(path));
    EXPECT_EQ(fieldString(prepared.executableFile), cp932(DropWorld::get().viewer()));
    EXPECT_EQ(prepared.state, StateWaiting);
    EXPECT_EQ(fieldString(prepared.nextRunText), "2024/05/08");
    EXPECT_EQ(prepared.startDate, 0);
    EXPECT_EQ(fieldString(prepared.lastRunText), "");

    ASSERT_EQ(h->ctx->taskCount, 2);
    EXPECT_EQ(h->view->rowCount(), 2);
    EXPECT_EQ(cellOf(*h->view, 1, 0), "report.txt(000)");
    EXPECT_EQ(cellOf(*h->view, 1, 2), "15:05");
    EXPECT_EQ(cellOf(*h->view, 1, 3), "毎日");
    EXPECT_EQ(cellOf(*h->view, 1, 7), "2024/05/08");
    EXPECT_EQ(cellOf(*h->view, 1, 8), path);
    const std::vector<TaskRecord> saved = readTaskFile(h->taskFile);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(fieldString(saved[1].name), "report.txt(000)");
    EXPECT_EQ(h->view->trayIcon()->toolTip().toStdString(),
              "Chorelin\n2 個のタスクが登録されています。");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Drops, RunTimeCarriesIntoTheNextDay) {
    clock.setTime(23, 55);
    start();
    dialog.acceptAsGiven();
    drop({document("late.txt")});
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(fieldString(dialog.requests[0].record.runTime), "00:05");
    EXPECT_EQ(fieldString(h->record(0).nextRunText), "2024/05/09");
}

TEST_F(Drops, TheDefaultScheduleGivesTextAndFlags) {
    start();
    setField(h->ctx->defaultSchedule, cp932("月・水・金"));
    dialog.acceptAsGiven();
    drop({document("a.txt")});
    const TaskRecord& prepared = dialog.requests.at(0).record;
    EXPECT_EQ(prepared.chosenDays, 1);
    EXPECT_EQ(prepared.daily, 0);
    const int expected[7] = {0, 1, 0, 1, 0, 1, 0};
    for (int d = 0; d < 7; ++d)
        EXPECT_EQ(prepared.dayFlags[d], expected[d]) << d;
    EXPECT_EQ(fieldString(h->record(0).scheduleText), cp932("月・水・金"));
}

TEST_F(Drops, TheSameFileTwiceGetsTheNextNumberIgnoringCase) {
    start({namedTask("X.TXT(000)")});
    const std::string x = document("x.txt");
    dialog.acceptAsGiven();
    dialog.acceptAsGiven();
    drop({x, x});
    ASSERT_EQ(h->ctx->taskCount, 3);
    EXPECT_EQ(name(1), "x.txt(001)");
    EXPECT_EQ(name(2), "x.txt(002)");
}

TEST_F(Drops, TheNameSearchRestartsFromTheFirstTaskAfterEachCollision) {
    start({namedTask("x.txt(001)"), namedTask("x.txt(000)")});
    dialog.acceptAsGiven();
    drop({document("x.txt")});
    EXPECT_EQ(name(2), "x.txt(002)");
}

TEST_F(Drops, AFolderAloneIsRefused) {
    start();
    const std::string path = folder("docs");
    drop({path});
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{{kRefusal, "フォルダ（" + path + "）を指定することはできません。"}}));
    EXPECT_TRUE(dialog.requests.empty());
    EXPECT_EQ(h->ctx->taskCount, 0);
}

TEST_F(Drops, AFolderAmongThreeAsksAndYesGoesOnNoEnds) {
    for (const bool goOn : {true, false}) {
        SCOPED_TRACE(goOn);
        start();
        prompts.shown.clear();
        const std::string a = document("a.txt"), f = folder("sub"), b = document("b.txt");
        dialog.acceptAsGiven();
        if (goOn)
            dialog.acceptAsGiven();
        prompts.answers = {goOn};
        drop({a, f, b});
        EXPECT_EQ(prompts.shown,
                  (std::vector<Shown>{{kContinue, "フォルダ（" + f +
                                                      "）を指定することはできません。\n\n処理を継"
                                                      "続しますか？"}}));
        EXPECT_EQ(h->ctx->taskCount, goOn ? 2 : 1);
        EXPECT_EQ(readTaskFile(h->taskFile).size(), goOn ? 2u : 1u);
        h.reset();
    }
}

TEST_F(Drops, AMissingPathCountsAsAFolder) {
    start();
    const std::string gone = dir() + "/gone.txt";
    drop({gone});
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{{kRefusal, "フォルダ（" + gone + "）を指定することはできません。"}}));
}

TEST_F(Drops, ADocumentOfAnUnregisteredTypeShowsItsPath) {
    start();
    const std::string path = document("data.cunreg");
    drop({path});
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{
            {kRefusal, "指定されたファイルタイプに対応する関連付けが存在しません\n" + path}}));
    EXPECT_EQ(h->ctx->taskCount, 0);

    prompts.shown.clear();
    prompts.answers = {false};
    drop({path, document("after.txt")});
    EXPECT_EQ(prompts.shown,
              (std::vector<Shown>{{kContinue, "指定されたファイルタイプに対応する関連付けが存在"
                                              "しません\n" +
                                                  path + "\n\n処理を継続しますか？"}}));
    EXPECT_EQ(h->ctx->taskCount, 0);
}

TEST_F(Drops, FiveFilesWith254TasksStopBeforeTheThird) {
    std::vector<TaskRecord> records;
    for (int i = 0; i < 254; ++i)
        records.push_back(namedTask("t" + std::to_string(i)));
    start(records);
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i)
        files.push_back(document("f" + std::to_string(i) + ".txt"));
    dialog.acceptAsGiven();
    dialog.acceptAsGiven();
    drop(files);
    EXPECT_EQ(dialog.requests.size(), 2u);
    EXPECT_EQ(prompts.shown,
              (std::vector<Shown>{{kRefusal, "これ以上登録することができません。"}}));
    EXPECT_EQ(h->ctx->taskCount, 256);
    EXPECT_EQ(name(255), "f1.txt(000)");
}

TEST_F(Drops, ACancelledFirstFileLeavesItsIndexToTheSecond) {
    start({namedTask("a"), namedTask("b")});
    const std::string first = document("first.txt"), second = document("second.txt");
    dialog.cancel();
    dialog.acceptAsGiven();
    drop({first, second});
    ASSERT_EQ(dialog.requests.size(), 2u);
    EXPECT_EQ(dialog.requests[0].editIndex, 2);
    EXPECT_EQ(dialog.requests[1].editIndex, 2);
    ASSERT_EQ(h->ctx->taskCount, 3);
    EXPECT_EQ(h->ctx->tasks.size(), 3u);
    EXPECT_EQ(name(2), "second.txt(000)");
    EXPECT_EQ(h->view->rowCount(), 3);
}

TEST_F(Drops, EachConfirmedFileIsOnDiskBeforeTheNextDialogOpens) {
    start();
    dialog.acceptAsGiven();
    size_t onDiskAtSecond = 0;
    dialog.steps.push_back([&](const EntryDialogRequest& r) {
        onDiskAtSecond = readTaskFile(h->taskFile).size();
        return accepted(r.record);
    });
    drop({document("one.txt"), document("two.txt")});
    EXPECT_EQ(onDiskAtSecond, 1u);
    EXPECT_EQ(readTaskFile(h->taskFile).size(), 2u);
}

TEST_F(Drops, TheDialogsAnswerIsStoredWithItsScheduleAndACompletedStateRunsAgain) {
    start();
    dialog.steps.push_back([](const EntryDialogRequest& r) {
        TaskRecord edited = r.record;
        setField(edited.name, "renamed");
        setField(edited.runTime, "16:00");
        edited.state = StateCompleted;
        setField(edited.lastRunText, "2024/05/08");
        edited.lastRunDate = 20240508;
        EntryDialogResult result = accepted(edited);
        result.flags = {0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0}; // Sunday and Monday
        return result;
    });
    drop({document("a.txt")});
    const TaskRecord& task = h->record(0);
    EXPECT_EQ(name(0), "renamed");
    EXPECT_EQ(task.state, StateWaiting);
    EXPECT_EQ(task.lastRunDate, 0);
    EXPECT_EQ(fieldString(task.scheduleText), cp932("日・月"));
    EXPECT_EQ(cellOf(*h->view, 0, 3), "日・月");
}

TEST_F(Drops, AGeneratedNameTooLongIsShortenedInItsFileNamePart) {
    start();
    const std::string ascii = document(std::string(200, 'n') + ".txt");
    std::string wide = "a";
    for (int i = 0; i < 80; ++i)
        wide += "あ";
    const std::string japanese = document(wide + ".txt");
    dialog.acceptAsGiven();
    dialog.acceptAsGiven();
    drop({ascii, japanese});
    ASSERT_EQ(h->ctx->taskCount, 2);
    EXPECT_EQ(fieldString(h->record(0).name), std::string(118, 'n') + ".txt(000)");
    EXPECT_EQ(fieldView(h->record(0).name).size(), 127u);
    // 117 bytes of name: one more double-byte character would not fit.
    std::string expected = "a";
    for (int i = 0; i < 58; ++i)
        expected += "あ";
    EXPECT_EQ(name(1), expected + ".txt(000)");
    EXPECT_EQ(fieldView(h->record(1).name).size(), 126u);
}

TEST_F(Drops, APathTheRecordCannotHoldIsRefusedNotCut) {
    start();
    std::string deep = dir();
    for (int i = 0; i < 5; ++i)
        deep += "/" + std::string(100, 'd');
    makeDirs(deep);
    const std::string longPath = document(deep.substr(dir().size() + 1) + "/long.txt");
    ASSERT_GT(longPath.size(), 511u);
    const std::string odd = document("emoji\xF0\x9F\x98\x80.txt");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(odd))});
    const std::vector<CChorelinView::DroppedFile> files = CChorelinView::droppedFilesOf(&data);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_FALSE(files[0].cp932.has_value());

    drop({longPath});
    h->view->OnDropFiles(files);
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{
            {kRefusal,
             "ドロップされたファイルのパスが511バイトを超えるため登録できません。\n" + longPath},
            {kRefusal,
             "ドロップされたファイルのパスにShift_JIS（cp932）で表せない文字が含まれています。\n" +
                 odd}}));
    EXPECT_EQ(h->ctx->taskCount, 0);
    EXPECT_TRUE(dialog.requests.empty());
}

TEST_F(Drops, ADropEventOfLocalFilesReachesTheHandlerAfterTheDragEnds) {
    start();
    EXPECT_TRUE(h->view->acceptDrops());
    EXPECT_TRUE(h->view->viewport()->acceptDrops());
    TraceCapture trace(h->home.scratch() + "/trace.log");
    const std::string a = document("a.txt"), b = document("b.txt");

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h->view->viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                   QUrl(QStringLiteral("https://example.invalid/x.txt")),
                   QUrl::fromLocalFile(QString::fromStdString(b))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h->view->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    dialog.acceptAsGiven();
    dialog.acceptAsGiven();
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h->view->viewport(), &dropped);
    EXPECT_TRUE(dropped.isAccepted());
    EXPECT_TRUE(dialog.requests.empty()) << "the files are handled once the drop has returned";
    ASSERT_TRUE(waitFor([&] { return h->ctx->taskCount == 2; }));
    EXPECT_EQ(name(0), "a.txt(000)");
    EXPECT_EQ(name(1), "b.txt(000)");

    const std::vector<std::string> lines = trace.lines();
    const std::vector<std::string> expected = {
        "CChorelinView::OnDropFiles() Start", "ドロップされたファイルの数 =2",
        "第 0 番目のファイル名 = " + a, "第 1 番目のファイル名 = " + b,
        "CChorelinView::OnDropFiles() End"};
    size_t next = 0;
    for (const std::string& line : lines) {
        if (next < expected.size() && line == expected[next])
            ++next;
    }
    EXPECT_EQ(next, expected.size()) << "trace lines in order";
}

TEST_F(Drops, ADropIsTakenAsACopyWhateverTheSourceProposes) {
    start();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(document("a.txt")))});
    struct Case {
        Qt::DropActions offered;
        Qt::KeyboardModifiers keys; // Shift asks for a move
        bool accepted;
    };
    const Case cases[] = {
        {Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier, true},
        {Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::NoModifier, true},
        {Qt::MoveAction, Qt::NoModifier, false}, // nothing to copy: refused, never moved
    };
    dialog.cancel();
    dialog.cancel();
    for (const Case& c : cases) {
        QDragEnterEvent enter(QPoint(5, 5), c.offered, &files, Qt::LeftButton, c.keys);
        QApplication::sendEvent(h->view->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), c.offered, &files, Qt::LeftButton, c.keys);
        QApplication::sendEvent(h->view->viewport(), &drop);
        for (QDropEvent* event : {static_cast<QDropEvent*>(&enter), &drop}) {
            EXPECT_EQ(event->isAccepted(), c.accepted) << c.offered.toInt();
            if (c.accepted) {
                EXPECT_EQ(event->dropAction(), Qt::CopyAction) << c.offered.toInt();
            }
        }
    }
    // The two accepted drops are handled once the events have returned.
    EXPECT_TRUE(waitFor([&] { return dialog.requests.size() == 2; }));
}
