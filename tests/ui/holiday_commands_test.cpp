// The holiday commands of the window: import, revert, the list dialog and the start-up notice.

#include "command_harness.h"

#include "dialogs/holiday_list_dialog.h"
#include "engine/holiday_csv.h"
#include "engine/holiday_install.h"
#include "resources/command_ids.h"
#include "resources/menu_tables.h"
#include "support/fake_clock.h"
#include "ui/holiday_commands.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
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

} // namespace
