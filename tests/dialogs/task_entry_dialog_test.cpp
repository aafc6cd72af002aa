// The task entry dialog: its form in each mode, the schedule handlers, the pickers, browse and
// OK, all driven without a modal loop.

#include "dialog_test_support.h"
#include "dialogs/path_text_edit.h"
#include "dialogs/task_entry_dialog.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "support/task_builders.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <future>

namespace {

using testing_support::cp932;

const char* const kKinds[] = {"once", "daily", "weekdays", "holidays", "chosenDays"};

class TaskEntryDialogTest : public dialog_test::DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        setField(ctx.defaultSchedule, cp932("毎日"));
        dialog = std::make_unique<CDialogTaskEntry>(ctx);
    }
    void TearDown() override {
        dialog.reset();
        DialogTest::TearDown();
    }

    QLineEdit* line(const char* name) { return dialog->findChild<QLineEdit*>(name); }
    PathTextEdit* path(const char* name) { return dialog->findChild<PathTextEdit*>(name); }
    QPushButton* button(const char* name) { return dialog->findChild<QPushButton*>(name); }
    QRadioButton* radio(const char* name) { return dialog->findChild<QRadioButton*>(name); }
    QCheckBox* day(int d) { return dialog->findChild<QCheckBox*>(QStringLiteral("day%1").arg(d)); }

    // The name of the one checked kind button, or "" when none is checked.
    std::string checkedKind() {
        std::string checked;
        for (const char* kind : kKinds) {
            if (radio(kind)->isChecked())
                checked += kind;
        }
        return checked;
    }
    std::string dayStates() { // per day: '-' disabled, 'o' enabled, 'x' checked
        std::string s;
        for (int d = 0; d < 7; ++d)
            s += day(d)->isChecked() ? 'x' : day(d)->isEnabled() ? 'o' : '-';
        return s;
    }
    std::string dayFlags() {
        std::string s;
        for (int32_t f : dialog->record.dayFlags)
            s += static_cast<char>('0' + f);
        return s;
    }
    void fill(const std::string& name, const std::string& file, const std::string& time,
              const std::string& start = "", const std::string& end = "") {
        line("name")->setText(QString::fromStdString(name));
        path("registeredFile")->setPath(QString::fromStdString(file));
        line("runTime")->setText(QString::fromStdString(time));
        line("startDate")->setText(QString::fromStdString(start));
        line("endDate")->setText(QString::fromStdString(end));
    }
    TaskRecord task(const std::string& name, const std::string& schedule,
                    const std::string& runTime = "09:00", const std::string& start = "",
                    const std::string& end = "") {
        testing_support::TaskDraft draft;
        draft.name = name;
        draft.schedule = schedule;
        draft.runTime = runTime;
        draft.registeredFile = batch;
        draft.startDate = start;
        draft.endDate = end;
        return testing_support::makeTask(draft);
    }
    bool lockIsFreeForOthers() {
        return std::async(std::launch::async,
                          [this] {
                              const bool free = ctx.taskLock.try_lock();
                              if (free)
                                  ctx.taskLock.unlock();
                              return free;
                          })
            .get();
    }

    AppContext ctx;
    std::unique_ptr<CDialogTaskEntry> dialog;
};

TEST_F(TaskEntryDialogTest, AddModeStartsEmptyFromTheDefaultSchedule) {
    struct Case {
        std::string schedule, kind, days;
    };
    const Case cases[] = {
        {"毎日", "daily", "-------"},        {"１回のみ", "once", "-------"},
        {"平日", "weekdays", "-------"},     {"休日", "holidays", "-------"},
        {"月・水", "chosenDays", "oxoxooo"}, {"", "chosenDays", "ooooooo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.schedule);
        setField(ctx.defaultSchedule, cp932(c.schedule));
        dialog->record = task("old", "毎日");
        dialog->textResults[0].push_back("stale");
        dialog->flagResults[11].push_back(1);
        fill("x", "y", "z", "s", "e");
        path("executableFile")->setPath("p");
        dialog->mode = ModeAdd;
        dialog->OnInitDialog();

        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("タスクの追加"));
        EXPECT_EQ(checkedKind(), c.kind);
        EXPECT_EQ(dayStates(), c.days);
        for (const char* name : {"name", "runTime", "startDate", "endDate"})
            EXPECT_TRUE(line(name)->text().isEmpty()) << name;
        EXPECT_TRUE(path("registeredFile")->path().isEmpty());
        EXPECT_TRUE(path("executableFile")->path().isEmpty());
        EXPECT_EQ(dialog->record.state, StateWaiting);
        EXPECT_EQ(fieldString(dialog->record.name), "");
        EXPECT_EQ(fieldString(dialog->record.scheduleText), cp932(c.schedule));
        for (const auto& list : dialog->textResults)
            EXPECT_TRUE(list.empty());
        for (const auto& list : dialog->flagResults)
            EXPECT_TRUE(list.empty());
    }
}

TEST_F(TaskEntryDialogTest, ChangeAndDroppedModesShowTheRecord) {
    for (EntryMode mode : {ModeChange, ModeAddDropped}) {
        dialog->mode = mode;
        dialog->record = task("夜間バックアップ", "日・土", "23:45", "2010/01/05", "2010/12/31");
        dialog->OnInitDialog();
        EXPECT_EQ(dialog->windowTitle(), mode == ModeChange ? QStringLiteral("タスクの変更")
                                                            : QStringLiteral("タスクの追加"));
        EXPECT_EQ(line("name")->text(), QStringLiteral("夜間バックアップ"));
        EXPECT_EQ(path("registeredFile")->path().toStdString(), batch);
        EXPECT_EQ(path("executableFile")->path().toStdString(), batch);
        EXPECT_TRUE(path("executableFile")->isReadOnly());
        EXPECT_FALSE(path("registeredFile")->isReadOnly());
        EXPECT_EQ(line("runTime")->text(), QStringLiteral("23:45"));
        EXPECT_EQ(line("startDate")->text(), QStringLiteral("2010/01/05"));
        EXPECT_EQ(line("endDate")->text(), QStringLiteral("2010/12/31"));
        EXPECT_EQ(checkedKind(), "chosenDays");
        EXPECT_EQ(dayStates(), "xooooox");
        EXPECT_TRUE(button("browse")->isEnabled());
    }
    // A text longer than may be typed is shown whole, for OK to refuse rather than cut.
    setField(dialog->record.runTime, "23:45:00");
    dialog->OnInitDialog();
    EXPECT_EQ(line("runTime")->text(), QStringLiteral("23:45:00"));
}

TEST_F(TaskEntryDialogTest, ReadOnlyProgramFieldLooksItAndStaysSelectable) {
    dialog->mode = ModeChange;
    dialog->record = task("a", "毎日");
    dialog->OnInitDialog();
    auto background = [](PathTextEdit* edit) {
        const QImage image = edit->viewport()->grab().toImage();
        return image.pixelColor(image.width() - 2, image.height() - 2);
    };
    PathTextEdit* program = path("executableFile");
    EXPECT_EQ(background(program), program->palette().color(QPalette::Window));
    EXPECT_NE(background(program), background(path("registeredFile")));
    QTest::keyClick(program, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(program->textCursor().selectedText().toStdString(), batch);
}

TEST_F(TaskEntryDialogTest, ReturnPressesTheFocusedButtonElseOk) {
    dialog->OnInitDialog();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    std::string opened;
    dialog->chooseRegisteredFile = [&] { return opened += "file ", std::optional<QString>(); };
    dialog->pickTime = [&] { return opened += "time ", std::optional<QString>(); };
    dialog->pickDate = [&] { return opened += "date ", std::optional<QString>(); };
    auto pressReturn = [](QWidget* w) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
    };
    for (const char* name : {"browse", "pickTime", "pickStart", "pickEnd"})
        pressReturn(button(name));
    EXPECT_EQ(opened, "file time date date ");
    EXPECT_TRUE(prompts.prompts.empty()) << "OK ran";
    for (QWidget* elsewhere : std::initializer_list<QWidget*>{line("name"), day(0)})
        pressReturn(elsewhere);
    EXPECT_EQ(prompts.texts(), std::vector<std::string>(2, "名前を入力してください。"));
    pressReturn(button("cancel"));
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(prompts.prompts.size(), 2u);
}

TEST_F(TaskEntryDialogTest, RecordWithoutScheduleChecksNoKind) {
    dialog->mode = ModeChange;
    dialog->record = task("task", "毎日");
    dialog->record.daily = 0;
    dialog->OnInitDialog();
    EXPECT_EQ(checkedKind(), "");
    EXPECT_EQ(dayStates(), "-------");
}

TEST_F(TaskEntryDialogTest, LimitsAndTabOrder) {
    dialog->OnInitDialog();
    EXPECT_EQ(line("name")->maxLength(), 512);
    EXPECT_EQ(line("runTime")->maxLength(), 5);
    EXPECT_EQ(line("startDate")->maxLength(), 10);
    EXPECT_EQ(line("endDate")->maxLength(), 10);

    QStringList order;
    QWidget* w = line("name");
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == dialog.get() && w != dialog.get())
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != line("name"));
    EXPECT_EQ(order.join(' '),
              QStringLiteral("name browse registeredFile pickTime runTime pickStart startDate "
                             "pickEnd endDate day0 day1 day2 day3 day4 day5 day6 ok cancel "
                             "executableFile"));
}

TEST_F(TaskEntryDialogTest, ScheduleHandlersKeepFlagsAndBoxesInStep) {
    setField(ctx.defaultSchedule, cp932("月・水"));
    dialog->OnInitDialog();
    EXPECT_EQ(dayFlags(), "0101000");

    // 曜日指定 chosen again clears every day.
    radio("chosenDays")->click();
    EXPECT_EQ(dayStates(), "ooooooo");
    EXPECT_EQ(dayFlags(), "0000000");
    EXPECT_EQ(dialog->record.chosenDays, 1);

    day(2)->click();
    day(6)->click();
    EXPECT_EQ(dayFlags(), "0010001");
    day(6)->click();
    EXPECT_EQ(dayFlags(), "0010000");

    radio("weekdays")->click();
    EXPECT_EQ(checkedKind(), "weekdays");
    EXPECT_EQ(dayStates(), "-------");
    EXPECT_EQ(dayFlags(), "0000000");
    const TaskRecord& r = dialog->record;
    EXPECT_EQ(std::vector<int>({r.once, r.daily, r.weekdays, r.holidays, r.chosenDays}),
              std::vector<int>({0, 0, 1, 0, 0}));

    radio("once")->click();
    EXPECT_EQ(std::vector<int>({r.once, r.daily, r.weekdays, r.holidays, r.chosenDays}),
              std::vector<int>({1, 0, 0, 0, 0}));
}

TEST_F(TaskEntryDialogTest, PickersFillTheirFieldAndCancelKeepsIt) {
    dialog->OnInitDialog();
    std::optional<QString> answer = QStringLiteral("07:05");
    dialog->pickTime = [&] { return answer; };
    dialog->pickDate = [&] { return answer; };
    button("pickTime")->click();
    EXPECT_EQ(line("runTime")->text(), QStringLiteral("07:05"));
    answer = QStringLiteral("2011/01/05");
    button("pickStart")->click();
    button("pickEnd")->click();
    EXPECT_EQ(line("startDate")->text(), QStringLiteral("2011/01/05"));
    EXPECT_EQ(line("endDate")->text(), QStringLiteral("2011/01/05"));

    fill("n", "f", "12:3", "typed", "typed too");
    answer.reset();
    for (const char* name : {"pickTime", "pickStart", "pickEnd"})
        button(name)->click();
    EXPECT_EQ(line("runTime")->text(), QStringLiteral("12:3"));
    EXPECT_EQ(line("startDate")->text(), QStringLiteral("typed"));
    EXPECT_EQ(line("endDate")->text(), QStringLiteral("typed too"));
}

TEST_F(TaskEntryDialogTest, BrowseHoldsTheLockAndFillsBothFiles) {
    dialog->OnInitDialog();
    bool heldDuringDialog = false;
    dialog->chooseRegisteredFile = [&]() -> std::optional<QString> {
        heldDuringDialog = !lockIsFreeForOthers();
        return QString::fromStdString(batch);
    };
    button("browse")->click();
    EXPECT_TRUE(heldDuringDialog);
    EXPECT_TRUE(lockIsFreeForOthers());
    EXPECT_EQ(path("registeredFile")->path().toStdString(), batch);
    EXPECT_EQ(path("executableFile")->path().toStdString(), batch);
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(TaskEntryDialogTest, BrowseFailureOrCancelChangesNothingAndReleasesTheLock) {
    const std::string bad = home->scratch() + "/bad.exe";
    testing_support::writeFile(bad, "text, not a program\n");
    dialog->OnInitDialog();
    path("registeredFile")->setPath("before");
    path("executableFile")->setPath("before too");

    dialog->chooseRegisteredFile = [] { return std::optional<QString>(); };
    button("browse")->click();
    EXPECT_TRUE(prompts.prompts.empty());

    dialog->chooseRegisteredFile = [&] {
        return std::optional<QString>(QString::fromStdString(bad));
    };
    button("browse")->click();
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].text, ".EXE ファイルが無効です\n\n" + bad);
    EXPECT_EQ(prompts.prompts[0].kind, Prompter::Kind::Refusal);
    EXPECT_EQ(prompts.prompts[0].owner, dialog.get());

    dialog->chooseRegisteredFile = [] { return std::optional<QString>("/tmp/😀.bat"); };
    button("browse")->click();
    ASSERT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(prompts.prompts[1].text,
              "登録ファイルにShift_JIS（cp932）で表せない文字が含まれています。");

    EXPECT_EQ(path("registeredFile")->path(), QStringLiteral("before"));
    EXPECT_EQ(path("executableFile")->path(), QStringLiteral("before too"));
    EXPECT_EQ(path("registeredFile")->textCursor().selectedText(), QStringLiteral("before"));
    EXPECT_TRUE(lockIsFreeForOthers());
}

TEST_F(TaskEntryDialogTest, BrowseTakesTheLockAgainWhileACommandHoldsIt) {
    TaskLockGuard command(ctx.taskLock);
    dialog->OnInitDialog();
    dialog->chooseRegisteredFile = [&] {
        return std::optional<QString>(QString::fromStdString(batch));
    };
    button("browse")->click();
    EXPECT_EQ(path("executableFile")->path().toStdString(), batch);
    EXPECT_FALSE(lockIsFreeForOthers());
}

TEST_F(TaskEntryDialogTest, OkStoresTheResultsAndAccepts) {
    ctx.tasks.push_back(task("other", "毎日"));
    ctx.taskCount = 1;
    ctx.editIndex = 1;
    setField(ctx.defaultSchedule, cp932("月・金"));
    dialog->OnInitDialog();
    fill("毎朝の処理", batch, "0705", "2011-01-05", "20111231");
    button("ok")->click();

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(prompts.prompts.empty());
    const TaskRecord& r = dialog->record;
    EXPECT_EQ(fieldString(r.name), cp932("毎朝の処理"));
    EXPECT_EQ(fieldString(r.runTime), "07:05");
    EXPECT_EQ(r.startDate, 20110105);
    EXPECT_EQ(r.endDate, 20111231);
    const std::vector<std::string> texts = {
        cp932("毎朝の処理"), cp932(batch), cp932(batch), "07:05", "2011/01/05", "2011/12/31"};
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(dialog->textResults[i], std::vector<std::string>{texts[i]}) << i;
    const uint32_t flags[12] = {0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0};
    for (size_t i = 0; i < 12; ++i)
        EXPECT_EQ(dialog->flagResults[i], std::vector<uint32_t>{flags[i]}) << i;
    EXPECT_EQ(fieldString(ctx.entryName), cp932("毎朝の処理"));
    EXPECT_EQ(fieldString(ctx.entryRunTime), "0705");
    EXPECT_EQ(fieldString(ctx.entryStartDate), "2011-01-05");
}

TEST_F(TaskEntryDialogTest, RefusalKeepsTheDialogOpenAndSelectsTheField) {
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->OnInitDialog();
    fill("task", batch, "24:00");
    const TaskRecord before = dialog->record;
    button("ok")->click();
    ASSERT_EQ(prompts.texts(),
              std::vector<std::string>{"実行時刻（時）は 00 ～ 23 を入力してください。"});
    EXPECT_EQ(prompts.prompts[0].owner, dialog.get());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(line("runTime")->selectedText(), QStringLiteral("24:00"));
    EXPECT_EQ(QApplication::focusWidget(), line("runTime"));
    EXPECT_EQ(std::memcmp(&before, &dialog->record, sizeof before), 0);
    for (const auto& list : dialog->textResults)
        EXPECT_TRUE(list.empty());

    // Once-only with an end date: No asks again, Yes stores without the end date.
    radio("once")->click();
    fill("task", batch, "23:00", "2011/01/05", "2011/01/06");
    prompts.answers = {false, true};
    button("ok")->click();
    EXPECT_EQ(prompts.prompts[1].kind, Prompter::Kind::Question);
    EXPECT_EQ(prompts.prompts[2].text, "もう一度入力してください。");
    EXPECT_TRUE(dialog->isVisible());
    button("ok")->click();
    EXPECT_EQ(prompts.prompts.size(), 4u);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(fieldString(dialog->record.endDateText), "");
    EXPECT_EQ(line("endDate")->text(), QStringLiteral("2011/01/06"));
}

TEST_F(TaskEntryDialogTest, LongPathsWrapAtAnyCharacter) {
    dialog->OnInitDialog();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    const QString longPath = QStringLiteral("/") + QString(150, QLatin1Char('a'));
    path("registeredFile")->setPath(longPath);
    QCoreApplication::processEvents();
    const QTextBlock block = path("registeredFile")->document()->firstBlock();
    EXPECT_EQ(path("registeredFile")->wordWrapMode(), QTextOption::WrapAnywhere);
    ASSERT_NE(block.layout(), nullptr);
    EXPECT_GE(block.layout()->lineCount(), 2);
    EXPECT_EQ(path("registeredFile")->path(), longPath); // shown whole, nothing cut
}

} // namespace
