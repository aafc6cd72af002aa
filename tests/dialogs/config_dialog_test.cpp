// The settings dialog: its checks in order, the schedule text it builds and what it stores.

#include "dialog_test_support.h"
#include "dialogs/config_dialog.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/history_settings.h"
#include "store/settings_store.h"
#include "store/trace.h"
#include "support/task_builders.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

using testing_support::cp932;

class ConfigDialogTest : public dialog_test::DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ctx.defaultInterval = 10;
        setField(ctx.defaultSchedule, cp932("毎日"));
        dialog = std::make_unique<CDialogConfig>(ctx);
        dialog->OnInitDialog();
    }
    void TearDown() override {
        dialog.reset();
        DialogTest::TearDown();
    }
    QLineEdit* minutes() { return dialog->findChild<QLineEdit*>("minutes"); }
    QRadioButton* radio(const char* name) { return dialog->findChild<QRadioButton*>(name); }
    QCheckBox* day(int d) { return dialog->findChild<QCheckBox*>(QStringLiteral("day%1").arg(d)); }
    void pressOk() { dialog->findChild<QPushButton*>("ok")->click(); }
    std::string storedSchedule() {
        return platform::cp932ToUtf8Lossy(fieldView(ctx.defaultSchedule));
    }

    AppContext ctx;
    std::unique_ptr<CDialogConfig> dialog;
};

TEST_F(ConfigDialogTest, OpensOnTheSettingsInForce) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("環境設定"));
    EXPECT_EQ(minutes()->text(), QStringLiteral("10"));
    EXPECT_EQ(minutes()->maxLength(), 3);
    EXPECT_TRUE(radio("daily")->isChecked());
    for (int d = 0; d < 7; ++d)
        EXPECT_FALSE(day(d)->isEnabled());
    auto* note = dialog->findChild<QLabel*>("note");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(
        note->text(),
        QStringLiteral("※０を指定すると追加登録するタスクの次回実行日は翌日以降になります。"));
    EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    EXPECT_NE(minutes()->palette().color(QPalette::Text), QColor(192, 0, 0));
}

TEST_F(ConfigDialogTest, MinutesChecks) {
    struct Case {
        QString input;
        std::string message; // empty when accepted
        int stored;
    };
    const Case cases[] = {
        {"0", "", 0},
        {"007", "", 7},
        {"999", "", 999},
        {"", "実行時刻（初期値）を入力してください。", 0},
        {"-1", "開始時刻（初期値）は数値を入力してください。", 0},
        {" 5", "開始時刻（初期値）は数値を入力してください。", 0},
        {"１", "開始時刻（初期値）は数値を入力してください。", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        ctx.defaultInterval = 10;
        dialog->OnInitDialog();
        dialog->setResult(QDialog::Rejected);
        prompts.prompts.clear();
        minutes()->setText(c.input);
        pressOk();
        if (c.message.empty()) {
            EXPECT_TRUE(prompts.prompts.empty());
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
            EXPECT_EQ(ctx.defaultInterval, c.stored);
            int32_t interval = -1;
            char schedule[64] = {};
            ASSERT_EQ(MyConfigRead(interval, schedule, sizeof schedule), 0);
            EXPECT_EQ(interval, c.stored);
            EXPECT_EQ(std::string(schedule), cp932("毎日"));
        } else {
            EXPECT_EQ(prompts.texts(), std::vector<std::string>{c.message});
            EXPECT_EQ(prompts.prompts[0].owner, dialog.get());
            EXPECT_EQ(dialog->result(), QDialog::Rejected);
            EXPECT_EQ(ctx.defaultInterval, 10);
            EXPECT_EQ(minutes()->selectedText(), c.input);
        }
    }
    // The stored 7 opens as 7.
    ctx.defaultInterval = 7;
    dialog->OnInitDialog();
    EXPECT_EQ(minutes()->text(), QStringLiteral("7"));
}

TEST_F(ConfigDialogTest, StoredIntervalBeyondThreeDigitsIsShownAndKeptWhole) {
    ctx.defaultInterval = 5000;
    dialog->OnInitDialog();
    EXPECT_EQ(minutes()->text(), QStringLiteral("5000"));
    QTest::keyClicks(minutes(), "7"); // typing cannot lengthen it
    pressOk();
    EXPECT_EQ(ctx.defaultInterval, 5000);
    int32_t interval = -1;
    char schedule[64] = {};
    ASSERT_EQ(MyConfigRead(interval, schedule, sizeof schedule), 0);
    EXPECT_EQ(interval, 5000);
    // Shortened by the user, it is held to three digits again.
    dialog->OnInitDialog();
    minutes()->end(false);
    QTest::keyClick(minutes(), Qt::Key_Backspace);
    QTest::keyClicks(minutes(), "12");
    EXPECT_EQ(minutes()->text(), QStringLiteral("500"));
}

TEST_F(ConfigDialogTest, ReturnOnCancelCancels) {
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    minutes()->setText("5");
    auto* cancel = dialog->findChild<QPushButton*>("cancel");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(ctx.defaultInterval, 10);
}

TEST_F(ConfigDialogTest, ScheduleTexts) {
    struct Case {
        const char* kind;
        std::vector<int> days;
        std::string text;
    };
    const Case cases[] = {
        {"once", {}, "１回のみ"},
        {"weekdays", {}, "平日"},
        {"holidays", {}, "休日"},
        {"chosenDays", {1, 5}, "月・金"},
        {"chosenDays", {0, 1, 2, 3, 4, 5, 6}, "日・月・火・水・木・金・土"},
        {"chosenDays", {6}, "土"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialog->OnInitDialog();
        radio(c.kind)->click();
        for (int d : c.days)
            day(d)->click();
        pressOk();
        EXPECT_TRUE(prompts.prompts.empty());
        EXPECT_EQ(storedSchedule(), c.text);
        int32_t interval = -1;
        char schedule[64] = {};
        ASSERT_EQ(MyConfigRead(interval, schedule, sizeof schedule), 0);
        EXPECT_EQ(std::string(schedule), cp932(c.text));
    }
}

TEST_F(ConfigDialogTest, UnknownStoredScheduleAsksForADay) {
    setField(ctx.defaultSchedule, "xyz");
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->OnInitDialog();
    EXPECT_TRUE(radio("chosenDays")->isChecked());
    for (int d = 0; d < 7; ++d) {
        EXPECT_TRUE(day(d)->isEnabled());
        EXPECT_FALSE(day(d)->isChecked());
    }
    pressOk();
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{"月 ～ 金 のいずれかを選択してください。"});
    EXPECT_EQ(QApplication::focusWidget(), day(0));
    EXPECT_EQ(fieldString(ctx.defaultSchedule), "xyz");
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ConfigDialogTest, CancelStoresNothing) {
    minutes()->setText("5");
    radio("once")->click();
    dialog->findChild<QPushButton*>("cancel")->click();
    EXPECT_EQ(ctx.defaultInterval, 10);
    EXPECT_EQ(storedSchedule(), "毎日");
}

TEST_F(ConfigDialogTest, FailureNoticeSwitch) {
    QCheckBox* notify = dialog->findChild<QCheckBox*>("notifyOnFailure");
    ASSERT_NE(notify, nullptr);
    EXPECT_EQ(notify->text(), QStringLiteral("失敗したときに通知する"));
    EXPECT_TRUE(notify->isChecked()); // on when nothing is stored
    // Between the last day box and the catch-up box in the tab order.
    EXPECT_EQ(day(6)->nextInFocusChain(), notify);
    EXPECT_EQ(notify->nextInFocusChain(), dialog->findChild<QCheckBox*>("catchUpMissedRuns"));

    notify->setChecked(false);
    dialog->findChild<QPushButton*>("cancel")->click();
    EXPECT_TRUE(readHistorySettings().notifyOnFailure);
    dialog->OnInitDialog();
    notify->setChecked(false);
    pressOk();
    EXPECT_FALSE(readHistorySettings().notifyOnFailure);
    dialog->OnInitDialog();
    EXPECT_FALSE(notify->isChecked());
}

TEST_F(ConfigDialogTest, CatchUpBoxIsLastAndStoredOnlyByOk) {
    auto* box = dialog->findChild<QCheckBox*>("catchUpMissedRuns");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(),
              QStringLiteral(
                  "電源オフ・スリープ中や Chorelin の停止中に過ぎた実行を、あとで 1 回だけ行う"));
    EXPECT_EQ(dialog->findChild<QCheckBox*>("notifyOnFailure")->nextInFocusChain(), box);
    EXPECT_EQ(box->nextInFocusChain(), dialog->findChild<QPushButton*>("ok"));
    for (const char* button : {"cancel", "ok"}) {
        dialog->OnInitDialog();
        EXPECT_FALSE(box->isChecked());
        box->setChecked(true);
        dialog->findChild<QPushButton*>(button)->click();
        AppContext next;
        MyConfigLoadAtStartup(next);
        EXPECT_EQ(ctx.catchUp.enabled && next.catchUp.enabled, std::string(button) == "ok");
    }
    dialog->OnInitDialog();
    EXPECT_TRUE(box->isChecked());
}

TEST_F(ConfigDialogTest, CommandTracesTheSettingsAfterTheDialog) {
    const std::string traceFile = home->scratch() + "/trace.log";
    qputenv("CHORELIN_TRACE", QByteArray::fromStdString(traceFile));
    resetTraceSink();
    setField(ctx.defaultSchedule, cp932("月・水"));
    QTimer::singleShot(0, [] {
        if (auto* open = qobject_cast<CDialogConfig*>(QApplication::activeModalWidget())) {
            open->findChild<QLineEdit*>("minutes")->setText("25");
            open->findChild<QPushButton*>("ok")->click();
        }
    });
    runConfigCommand(ctx);
    qunsetenv("CHORELIN_TRACE");
    resetTraceSink();
    EXPECT_EQ(ctx.defaultInterval, 25);
    EXPECT_EQ(testing_support::readFile(traceFile),
              "CChorelinView::OnConfig() Start\n実行時刻（初期値）=25\n"
              "スケジュール（初期値）=月・水\nCChorelinView::OnConfig() End\n");
}

} // namespace
