// The holiday commands of the window: import, revert, the list dialog and the start-up notice.

#include "command_harness.h"

#include "dialogs/days_off_section.h"
#include "dialogs/holiday_list_dialog.h"
#include "engine/holiday_csv.h"
#include "engine/holiday_install.h"
#include "resources/command_ids.h"
#include "resources/menu_tables.h"
#include "support/fake_clock.h"
#include "ui/days_off_commands.h"
#include "ui/holiday_commands.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace testing_support;
using namespace ui_testing;

namespace {

const std::string kSample = std::string(CHORELIN_TEST_DATA) + "/syukujitsu-sample.csv";

class HolidayCommands : public ::testing::Test {
protected:
    void SetUp() override {
        h = std::make_unique<ViewHarness>(std::vector<TaskRecord>{namedTask("a", "平日")});
        ASSERT_TRUE(h->initialUpdate());
        ASSERT_EQ(cellOf(*h->view, 0, 7), "2026/12/24"); // the table lists 12/23
    }
    std::string installed() const { return holidayFilePath(); }

    FakeClock clock{2026, 12, 22, 10, 0};
    ScriptedPrompter prompts;
    std::unique_ptr<ViewHarness> h;
};

TEST_F(HolidayCommands, ImportPutsTheFileInForceRedrawsAndSaysWhatServesWhichYears) {
    TraceCapture trace(h->home.scratch() + "/trace.log");
    EXPECT_TRUE(importHolidayFile(*h->view, kSample));
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2026/12/23");
    EXPECT_EQ(readTaskFile(h->taskFile)[0].nextRunDate, 20261223);
    EXPECT_EQ(trace.writes(), 1);
    EXPECT_TRUE(exists(installed()));
    EXPECT_EQ(prompts.shown, (std::vector<Shown>{{Prompter::Kind::Information,
                                                  "祝日データを読み込みました。\n\n"
                                                  "1970年～2006年: なし（土曜・日曜のみ）\n"
                                                  "2007年～2023年: 組み込み\n"
                                                  "2024年～2027年: ファイル\n"
                                                  "2028年～2069年: 規則による計算"}}));
}

TEST_F(HolidayCommands, RefusedFileChangesNothing) {
    const std::string bad = h->home.scratch() + "/bad.csv";
    writeFile(bad, "国民の祝日・休日月日,国民の祝日・休日名称\n2026/12/23,\n");
    TraceCapture trace(h->home.scratch() + "/trace.log");
    EXPECT_FALSE(importHolidayFile(*h->view, bad));
    EXPECT_EQ(prompts.shown,
              (std::vector<Shown>{{Prompter::Kind::Refusal, "祝日データ(" + bad +
                                                                ") を読み込めません。\n"
                                                                "2行目: 名称がありません。"}}));
    EXPECT_FALSE(exists(installed()));
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2026/12/24");
    EXPECT_EQ(trace.writes(), 0);
}

TEST_F(HolidayCommands, RevertIsOfferedOnlyWithAFileAsksNoFirstAndSaysWhatServes) {
    const auto offered = [this] {
        const std::unique_ptr<QMenu> menu(h->router.buildMenu(menus::kFileItems, {}, nullptr));
        h->router.updateMenu(menu.get());
        return menu->actions()[4]->isEnabled(); // 組み込みの祝日表に戻す
    };
    EXPECT_FALSE(offered());
    ASSERT_TRUE(importHolidayFile(*h->view, kSample));
    EXPECT_TRUE(offered());
    prompts.answers = {false, true};
    h->router.dispatch(cmd::HolidayRevert);
    EXPECT_TRUE(exists(installed()));
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2026/12/23");
    prompts.shown.clear();
    h->router.dispatch(cmd::HolidayRevert);
    EXPECT_EQ(
        prompts.shown,
        (std::vector<Shown>{
            {Prompter::Kind::ContinueQuestion, "読み込んだ祝日データ(" + installed() +
                                                   ") を削除して、組み込みの祝日表に戻しますか？"},
            {Prompter::Kind::Information, "組み込みの祝日表に戻しました。\n\n"
                                          "1970年～2006年: なし（土曜・日曜のみ）\n"
                                          "2007年～2029年: 組み込み\n"
                                          "2030年～2069年: なし（土曜・日曜のみ）"}}));
    EXPECT_FALSE(exists(installed()));
    EXPECT_FALSE(offered());
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2026/12/24");
    EXPECT_EQ(readTaskFile(h->taskFile)[0].nextRunDate, 20261224);
}

TEST_F(HolidayCommands, ListShowsTheSourcesAndTheHolidaysOfTheChosenYear) {
    CDialogHolidayList dialog(HolidaySources(parseHolidayCsv(readFile(kSample)).rows), "", 2026);
    const auto* sources = dialog.findChild<QLabel*>(QStringLiteral("holidaySources"));
    ASSERT_NE(sources, nullptr);
    EXPECT_NE(sources->text().toStdString().find("2024年～2027年: ファイル"), std::string::npos);
    const auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("holidayTable"));
    EXPECT_EQ(table->rowCount(), 18);
    EXPECT_EQ(utf8Cell(*table, 3, 0), "2026/02/23 (月)");
    EXPECT_EQ(utf8Cell(*table, 3, 1), "天皇誕生日");
    EXPECT_EQ(utf8Cell(*table, 3, 2), "ファイル");
    dialog.findChild<QSpinBox*>(QStringLiteral("holidayYear"))->setValue(2030);
    EXPECT_EQ(utf8Cell(*table, 0, 0), "2030/01/01 (火)");
    EXPECT_EQ(utf8Cell(*table, 0, 2), "規則による計算");
    dialog.showYear(2015);
    EXPECT_EQ(table->rowCount(), 14);
    EXPECT_EQ(utf8Cell(*table, 0, 1), "");
    EXPECT_EQ(utf8Cell(*table, 0, 2), "組み込み");

    // Enter in the year field shows the year typed and leaves the dialog open.
    dialog.show();
    auto* year = dialog.findChild<QSpinBox*>(QStringLiteral("holidayYear"));
    year->setKeyboardTracking(false);
    year->selectAll();
    QTest::keyClicks(year, QStringLiteral("2008"));
    QTest::keyClick(year, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    const auto* none = dialog.findChild<QLabel*>(QStringLiteral("holidayNone"));
    EXPECT_FALSE(none->isVisible());
    EXPECT_EQ(utf8Cell(*table, 0, 0), "2008/01/01 (火)");
    // A year without holidays says so where the table was.
    dialog.showYear(1980);
    EXPECT_FALSE(table->isVisible());
    EXPECT_EQ(none->text(),
              QStringLiteral("1980年の祝日はありません（休日は土曜・日曜だけです）。"));
    EXPECT_TRUE(none->isVisible());
}

TEST_F(HolidayCommands, NoticeNearTheEndOfTheDataDoesNotBlockTheWindow) {
    // Once for good: the built-in table's next wrong day, and where to fix it.
    EXPECT_EQ(showHolidayNotice(*h->view).rfind(
                  "組み込みの祝日表は内閣府の公式の祝日と違う日があります（この先 4日。次は "
                  "2026/12/23 (水) 組み込みの祝日表では祝日、公式では平日）。",
                  0),
              0u);
    for (QMessageBox* box : h->view->findChildren<QMessageBox*>())
        delete box;
    EXPECT_EQ(showHolidayNotice(*h->view), "");
    clock.set(2029, 10, 2, 9, 0);
    const std::string notice = showHolidayNotice(*h->view);
    EXPECT_EQ(notice.rfind("組み込みの祝日表は2029年12月31日で終わります。", 0), 0u);
    // The offscreen platform has no tray: a box that leaves the window usable.
    auto* box = h->view->findChild<QMessageBox*>(QStringLiteral("holidayNotice"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    box->close();
}

// Own days off edited in the list are put in force as an import is (file, next runs, task file,
// list) and shown with source 独自; the official data is one click away.
TEST_F(HolidayCommands, OwnDaysOffAndTheOfficialDataFromTheList) {
    CDialogHolidayList dialog(HolidaySources(), "", 2026);
    addHolidayListSections(*h->view, dialog);
    auto* section = dialog.findChild<DaysOffSection*>(QStringLiteral("daysOff"));
    ASSERT_NE(section, nullptr);
    const auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("holidayTable"));
    const std::string file = daysOffFilePath();

    EXPECT_TRUE(section->addDay(20261224, " 会社休日 "));
    EXPECT_EQ(readFile(file), "日付,名称\n2026/12/24,会社休日\n");
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2026/12/25");
    EXPECT_EQ(readTaskFile(h->taskFile)[0].nextRunDate, 20261225);
    EXPECT_EQ(utf8Cell(*list, list->rowCount() - 1, 2), "独自");
    EXPECT_FALSE(section->addDay(20261224, "x")); // refused: the file stays as it was
    EXPECT_FALSE(section->removeSelected());      // nothing chosen
    EXPECT_EQ(prompts.shown.size(), 2u);

    const std::string exported = h->home.scratch() + "/out.csv";
    EXPECT_TRUE(section->exportFile(exported));
    const std::string other = h->home.scratch() + "/other.csv";
    writeFile(other, "日付,名称\n2026/12/28,年末休暇\n2026/12/24,会社休日\n");
    prompts.answers = {true};
    EXPECT_TRUE(section->importFile(other));
    EXPECT_EQ(section->days().size(), 2u);
    section->findChild<QTableWidget*>(QStringLiteral("daysOffTable"))->selectRow(0);
    EXPECT_TRUE(section->removeSelected());
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2026/12/24");
    EXPECT_EQ(readFile(exported), "日付,名称\n2026/12/24,会社休日\n");
    prompts.answers = {false}; // replacing the list is asked first
    EXPECT_FALSE(section->importFile(exported));
    EXPECT_EQ(readFile(file), "日付,名称\n2026/12/28,年末休暇\n");

    prompts.shown.clear();
    dialog.findChild<QPushButton*>(QStringLiteral("useOfficialData"))->click();
    EXPECT_EQ(readFile(holidayFilePath()).rfind("国民の祝日・休日月日", 0), 0u);
    EXPECT_EQ(cellOf(*h->view, 0, 7), "2026/12/23");
    EXPECT_NE(dialog.findChild<QLabel*>(QStringLiteral("holidaySources"))
                  ->text()
                  .toStdString()
                  .find("1970年～2027年: ファイル"),
              std::string::npos);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompter::Kind::Information);
}

TEST_F(HolidayCommands, ChangesFoundByTheSchedulerAreToldOnce) {
    {
        TaskLockGuard guard(h->view->context().taskLock);
        h->view->context().holidayNews = "独自の休日(x) が削除されました。";
    }
    EXPECT_EQ(showHolidayNews(*h->view), "独自の休日(x) が削除されました。");
    auto* box = h->view->findChild<QMessageBox*>(QStringLiteral("holidayNotice"));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isModal());
    box->close();
    EXPECT_EQ(showHolidayNews(*h->view), "");
}

} // namespace
