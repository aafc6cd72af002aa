// The holiday file put in force: installed, reverted, noticed by the scheduler when another
// program installs or removes it, refused when it cannot be used; and what it does to the tasks.

#include "engine/days_off_csv.h"
#include "engine/holiday_install.h"
#include "engine/holiday_notice.h"
#include "engine/next_exec.h"
#include "engine/official_holidays.h"
#include "engine/workers.h"
#include "engine_test_helpers.h"
#include "holiday_test_data.h"
#include "store/fields.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <utility>

using namespace testing_support;
using namespace holiday_test;

namespace {

class HolidayInstall : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = engine_test::workerContext(home.documents(), posts);
        ctx->holidays.path = holidayFilePath();
    }
    void TearDown() override {
        for (TaskRecord& task : ctx->tasks)
            EXPECT_TRUE(engine_test::endTaskProcess(task));
    }
    int add(const std::string& schedule, const std::string& startDate = "") {
        TaskDraft draft;
        draft.name = schedule + std::to_string(ctx->tasks.size());
        draft.schedule = schedule;
        draft.registeredFile = "/bin/true";
        draft.startDate = startDate;
        ctx->tasks.push_back(makeTask(draft));
        ctx->taskCount = static_cast<int32_t>(ctx->tasks.size());
        MySetNextExec(*ctx, ctx->taskCount - 1);
        return ctx->taskCount - 1;
    }
    int32_t next(int task) const { return ctx->tasks[static_cast<size_t>(task)].nextRunDate; }
    void installSample() {
        ASSERT_EQ(MyHolidayWriteCopy(MyHolidayCheckFile(samplePath()), ctx->holidays.path), "");
    }
    std::vector<CalendarDay> builtin() const {
        AppContext plain;
        MyCalMake(plain);
        return plain.calendar;
    }
    bool calendarIsBuiltin() const {
        const std::vector<CalendarDay> expected = builtin();
        return std::memcmp(expected.data(), ctx->calendar.data(),
                           expected.size() * sizeof(CalendarDay)) == 0;
    }

    TempHome home;
    engine_test::PostLog posts;
    std::unique_ptr<AppContext> ctx;
};

// With the official file a weekdays task runs on 2026/12/23 and not on 2027/02/23; a holidays
// task follows the official calendar. Every task is recomputed and the task file written.
TEST_F(HolidayInstall, OfficialFileMovesTheRunsOfWeekdayAndHolidayTasks) {
    const struct {
        int month, day;
        const char* schedule;
        int32_t builtinNext, officialNext;
    } cases[] = {
        {12, 22, "平日", 20261224, 20261223},
        {12, 22, "休日", 20261223, 20261226},
        {2, 22, "平日", 20270223, 20270224},
        {2, 22, "休日", 20270227, 20270223},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.schedule + std::to_string(c.month));
        FakeClock clock(c.month == 12 ? 2026 : 2027, c.month, c.day, 10, 0);
        ctx->tasks.clear();
        MyHolidayReload(*ctx);
        const int task = add(c.schedule);
        EXPECT_EQ(next(task), c.builtinNext);
        installSample();
        MyHolidayReload(*ctx);
        EXPECT_EQ(next(task), c.officialNext);
        EXPECT_EQ(readTaskFile(ctx->taskFilePath).at(0).nextRunDate, c.officialNext);
        ASSERT_TRUE(platform::removePrivateFile(ctx->holidays.path));
        MyHolidayReload(*ctx);
        EXPECT_EQ(next(task), c.builtinNext);
        EXPECT_TRUE(calendarIsBuiltin());
    }
}

TEST_F(HolidayInstall, WeekdayTaskStartsOn20261223WithTheOfficialFile) {
    FakeClock clock(2026, 12, 22, 10, 0);
    installSample();
    MyHolidayReload(*ctx);
    const int task = add("平日");
    clock.set(2026, 12, 23, 9, 0, 0);
    MySchedulerPass(*ctx);
    EXPECT_EQ(ctx->tasks[0].lastRunDate, 20261223);
    EXPECT_EQ(next(task), 20261224);
}

TEST_F(HolidayInstall, SchedulerPutsACopyInstalledOrRemovedElsewhereInForce) {
    FakeClock clock(2026, 12, 22, 10, 0);
    const int task = add("平日");
    EXPECT_FALSE(MySchedulerPass(*ctx)); // nothing there, nothing changed

    installSample(); // as the command line does, from another process
    EXPECT_TRUE(MySchedulerPass(*ctx));
    EXPECT_EQ(next(task), 20261223);
    EXPECT_EQ(readTaskFile(ctx->taskFilePath).at(0).nextRunDate, 20261223);
    EXPECT_EQ(posts.count(WM_MYTASKUPDATE), 1u);
    EXPECT_FALSE(MySchedulerPass(*ctx)); // read once

    ASSERT_TRUE(platform::removePrivateFile(ctx->holidays.path));
    EXPECT_TRUE(MySchedulerPass(*ctx));
    EXPECT_EQ(next(task), 20261224);
    EXPECT_TRUE(calendarIsBuiltin());
}

// Runs the scheduler's next pass has to deal with are left to it: one due this minute and not
// yet started, and one whose day went by unseen (made up or moved on by the pass).
TEST_F(HolidayInstall, RunsLeftToTheSchedulerKeepTheirDayWhenTheCalendarChanges) {
    FakeClock clock(2026, 12, 22, 8, 0);
    installSample();
    MyHolidayReload(*ctx);
    const int missed = add("平日");
    clock.set(2026, 12, 23, 8, 0);
    const int due = add("平日");
    ASSERT_EQ(next(missed), 20261222);
    ASSERT_EQ(next(due), 20261223);
    clock.setTime(9, 0, 0); // due, and the scheduler has not come round yet
    ASSERT_TRUE(platform::removePrivateFile(ctx->holidays.path));
    MyHolidayReload(*ctx);
    EXPECT_EQ(next(missed), 20261222);
    EXPECT_EQ(next(due), 20261223);
}

TEST_F(HolidayInstall, AnUnusableCopyLeavesTheBuiltInTableAndSaysWhy) {
    const std::string path = ctx->holidays.path;
    makeDirs(platform::settingsFolder());
    const struct {
        const char* label;
        std::string content;
        int mode;
        std::string reason;
    } cases[] = {
        {"not a holiday file", "hello\n", 0600,
         "1行目: 見出し行「国民の祝日・休日月日,国民の祝日・休日名称」がありません。"},
        {"writable by others", sampleUtf8Lf(), 0666,
         "他のユーザーが変更できるファイルです。chmod 600 " + path + " で直してください。"},
        {"a year without 1 January", kHeader + "2026/12/25,会社休日\n", 0600,
         "2行目: " + partialYearReason(2026)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        writeFile(path, c.content, c.mode);
        AppContext started;
        MyCalMake(started);
        MyHolidayLoadAtStartup(started, path);
        EXPECT_EQ(started.holidays.refusal,
                  "祝日データ(" + path + ") を読み込めません。\n" + c.reason);
        EXPECT_TRUE(started.holidays.rows.empty());
        EXPECT_EQ(std::memcmp(started.calendar.data(), builtin().data(),
                              builtin().size() * sizeof(CalendarDay)),
                  0);
    }
}

// Own days off count as holidays on top of the national ones: a weekdays task starting on the
// first Monday of September 2027 runs first on the Wednesday, a holidays task runs on both days.
TEST_F(HolidayInstall, OwnDaysOffAreHolidaysOnTopOfTheNationalOnes) {
    FakeClock clock(2027, 9, 5, 23, 0); // a Sunday night
    const std::string daysOff = daysOffPathBeside(ctx->holidays.path);
    ASSERT_EQ(MyDaysOffWrite({{20270907, "創立記念日の翌日"}, {20270906, "創立記念日"}}, daysOff),
              "");
    MyHolidayReload(*ctx);
    ASSERT_EQ(ctx->daysOff.rows.size(), 2u);
    const int weekdays = add("平日", "2027/09/06");
    const int holidays = add("休日");
    EXPECT_EQ(next(weekdays), 20270908);
    EXPECT_EQ(next(holidays), 20270906);
    clock.set(2027, 9, 6, 9, 0, 0);
    MySchedulerPass(*ctx);
    EXPECT_EQ(ctx->tasks[static_cast<size_t>(holidays)].lastRunDate, 20270906);
    EXPECT_EQ(next(holidays), 20270907);
    EXPECT_EQ(ctx->tasks[static_cast<size_t>(weekdays)].lastRunDate, 0);

    // With the official file in force the own days stay on top; an own day on a national
    // holiday or a weekend changes nothing.
    ASSERT_EQ(MyHolidayWriteCopy(officialHolidays(), ctx->holidays.path), "");
    ASSERT_EQ(MyDaysOffWrite({{20270906, "創立記念日"}, {20270920, "x"}, {20270911, "y"}}, daysOff),
              "");
    MyHolidayReload(*ctx);
    const HolidaySources sources = MyHolidaySources(*ctx);
    std::vector<std::pair<int32_t, HolidaySource>> september;
    for (const Holiday& h : sources.holidaysOf(2027)) {
        if (h.date / 100 == 202709)
            september.emplace_back(h.date, h.source);
    }
    const std::vector<std::pair<int32_t, HolidaySource>> expected{{20270906, HolidaySource::Own},
                                                                  {20270911, HolidaySource::Own},
                                                                  {20270920, HolidaySource::File},
                                                                  {20270923, HolidaySource::File}};
    EXPECT_EQ(september, expected);
    EXPECT_EQ(next(weekdays), 20270907); // no longer an own day
}

// A holiday file changed, refused or removed under the running program is put in force (or
// dropped) and told, not only traced; a file whose folder anyone may write is not believed.
TEST_F(HolidayInstall, TheSchedulerTellsWhatChangedInTheHolidayFiles) {
    FakeClock clock(2027, 9, 1, 10, 0);
    const std::string daysOff = daysOffPathBeside(ctx->holidays.path);
    ctx->daysOff.path = daysOff;
    const std::string folder = platform::settingsFolder();
    makeDirs(folder);
    ::chmod(folder.c_str(), 0700);
    const int task = add("平日");
    const std::string header = std::string(kDaysOffCsvHeader) + "\n";
    const struct {
        const char* label;
        std::function<void()> act;
        std::string news; // how the news begins
        int32_t next;
    } steps[] = {
        {"own day added", [&] { writeFile(daysOff, header + "2027/9/2,休業日\n", 0600); },
         "独自の休日(" + daysOff + ") が変更されました。", 20270903},
        {"same content again", [&] { writeFile(daysOff, header + "2027/9/2,休業日\n", 0600); }, "",
         20270903},
        {"refused edit", [&] { writeFile(daysOff, header + "2027/9/31,x\n", 0600); },
         "独自の休日(" + daysOff +
             ") を読み込めません。\n2行目: 日付「2027/9/31」は実在しない日付です。",
         20270902},
        {"fixed", [&] { writeFile(daysOff, header + "2027/9/2,休業日\n", 0600); },
         "独自の休日(" + daysOff + ") が変更されました。", 20270903},
        {"folder open to all", [&] { ::chmod(folder.c_str(), 0777); },
         "独自の休日(" + daysOff + ") を読み込めません。\nフォルダ " + folder +
             " を他のユーザーが変更できます。chmod 700 " + folder + " で直してください。",
         20270902},
        {"folder closed", [&] { ::chmod(folder.c_str(), 0700); },
         "独自の休日(" + daysOff + ") が変更されました。", 20270903},
        {"removed", [&] { platform::removePrivateFile(daysOff); },
         "独自の休日(" + daysOff + ") が削除されました。", 20270902},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        step.act();
        MySchedulerPass(*ctx);
        const std::string news = std::exchange(ctx->holidayNews, std::string());
        EXPECT_EQ(news.substr(0, step.news.size()), step.news);
        EXPECT_EQ(news.empty(), step.news.empty()) << news;
        EXPECT_EQ(next(task), step.next);
    }
}

// The official file compiled in is the one in the repository, and installing it gives the same
// calendar as importing that file.
TEST_F(HolidayInstall, BundledOfficialDataIsTheImportOfTheOfficialFile) {
    const std::string file = std::string(CHORELIN_TEST_DATA) + "/../../data/syukujitsu.csv";
    EXPECT_EQ(std::string(officialHolidayBytes()), readFile(file));
    const HolidayCsv imported = MyHolidayCheckFile(file);
    ASSERT_TRUE(imported.accepted()) << imported.refusal;
    EXPECT_EQ(imported.rows.front().date, 19550101);
    AppContext viaImport, viaBundle;
    MyCalMakeFrom(viaImport, HolidaySources(imported.rows));
    MyCalMakeFrom(viaBundle, HolidaySources(officialHolidays().rows));
    EXPECT_EQ(std::memcmp(viaImport.calendar.data(), viaBundle.calendar.data(),
                          viaImport.calendar.size() * sizeof(CalendarDay)),
              0);
    // The days the built-in table gets wrong in the years ahead, as the dialog lists them.
    std::vector<std::pair<int32_t, bool>> differences;
    for (const BuiltinDifference& d : builtinDifferences(2026))
        differences.emplace_back(d.date, d.inBuiltin);
    const std::vector<std::pair<int32_t, bool>> expected{{20260223, false}, {20260811, false},
                                                         {20261223, true},  {20270223, false},
                                                         {20270811, false}, {20271223, true}};
    EXPECT_EQ(differences, expected);
}

TEST_F(HolidayInstall, InstalledCopyIsPrivateUtf8) {
    installSample();
    struct stat st;
    ASSERT_EQ(::stat(ctx->holidays.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(readFile(ctx->holidays.path), platform::cp932ToUtf8(sampleBytes()).value());
    EXPECT_EQ(MyHolidayCheckFile(home.scratch() + "/none.csv").refusal,
              "祝日データ(" + home.scratch() +
                  "/none.csv) を読み込めません。\n"
                  "ファイルが見つかりません。");
}

TEST(HolidayNotice, WarnsWhenTheDataInForceEndsWithin90Days) {
    const HolidaySources builtin;
    const HolidaySources sample(parseHolidayCsv(sampleBytes()).rows);
    const std::string import =
        "\n内閣府の祝日データ（syukujitsu.csv）を「ファイル」メニューの「祝日データの読み込み」"
        "で読み込んでください。";
    const struct {
        const HolidaySources& sources;
        int32_t today;
        std::string notice;
    } cases[] = {
        {builtin, 20291001, ""},
        {builtin, 20291002,
         "組み込みの祝日表は2029年12月31日で終わります。その後は土曜と日曜だけが休日になります。" +
             import},
        {builtin, 20300105,
         "2030年の祝日データがありません。土曜と日曜だけを休日としています。" + import},
        {builtin, 20060105, ""},
        {sample, 20271001, ""},
        {sample, 20271231,
         "読み込んだ祝日データは2027年12月31日で終わります。その後の祝日は祝日法の規則で計算します"
         "。" +
             import},
        {sample, 20300105, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(holidayNotice(c.sources, "", c.today), c.notice) << c.today;
    EXPECT_EQ(holidayNotice(builtin, "祝日データ(x) を読み込めません。\n1行目: y", 20261209),
              "祝日データ(x) を読み込めません。\n1行目: y\n組み込みの祝日表を使います。");
}

} // namespace
