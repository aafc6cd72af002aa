#include "engine/next_exec.h"

#include "engine/calendar.h"
#include "store/fields.h"
#include "store/trace.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

using testing_support::dateOf;
using testing_support::FakeClock;
using testing_support::makeTask;
using testing_support::TaskDraft;

// The fields a next-run case varies; every member has a default so that cases name only what
// matters to them.
struct Task {
    std::string name = "task";
    std::string runTime = "09:00";
    std::string schedule = "毎日";
    std::string startDate = "";
    std::string endDate = "";
    std::string lastRun = "";
    std::string nextRun = "";
    int state = StateWaiting;
};

TaskRecord build(const Task& t) {
    TaskDraft draft;
    draft.name = t.name;
    draft.runTime = t.runTime;
    draft.schedule = t.schedule;
    draft.startDate = t.startDate;
    draft.endDate = t.endDate;
    draft.lastRun = t.lastRun;
    draft.nextRun = t.nextRun;
    draft.state = t.state;
    return makeTask(draft);
}

struct Now {
    int year, month, day, hour, minute;
};

struct NextCase {
    const char* label;
    Now now;
    Task task;
    std::string expectedNext; // "" = no next run
    int expectedState = StateWaiting;
    std::function<void(TaskRecord&)> tweak = {};
};

// Cases print as their label in test listings.
void PrintTo(const NextCase& c, std::ostream* os) {
    *os << c.label;
}

// The 16 bytes a next-run text field must hold: the text and zero fill.
void expectNextRun(const TaskRecord& r, const std::string& text) {
    char expected[16] = {};
    std::memcpy(expected, text.data(), text.size());
    EXPECT_EQ(r.nextRunDate, dateOf(text));
    EXPECT_EQ(0, std::memcmp(r.nextRunText, expected, sizeof expected))
        << "nextRunText is \"" << fieldView(r.nextRunText) << "\", expected \"" << text << "\"";
}

void clearScheduleFlags(TaskRecord& r) {
    r.once = r.daily = r.weekdays = r.holidays = r.chosenDays = 0;
}

class NextExec : public ::testing::TestWithParam<NextCase> {};

TEST_P(NextExec, ChoosesTheNextRunDay) {
    const NextCase& c = GetParam();
    FakeClock clock(c.now.year, c.now.month, c.now.day, c.now.hour, c.now.minute, 30);
    AppContext ctx;
    MyCalMake(ctx);
    TaskRecord task = build(c.task);
    if (c.tweak)
        c.tweak(task);
    ctx.tasks = {build({.name = "other"}), task};
    ctx.taskCount = 2;

    EXPECT_EQ(MySetNextExec(ctx, 1), 0);

    const TaskRecord& r = ctx.tasks[1];
    expectNextRun(r, c.expectedNext);
    EXPECT_EQ(r.state, c.expectedState);
    // Nothing but the next run and the state is touched.
    TaskRecord rest = r;
    rest.nextRunDate = task.nextRunDate;
    std::memcpy(rest.nextRunText, task.nextRunText, sizeof rest.nextRunText);
    rest.state = task.state;
    EXPECT_EQ(0, std::memcmp(&rest, &task, sizeof task));
}

const Now kWed{2024, 6, 12, 8, 59}; // a Wednesday with no holiday near

INSTANTIATE_TEST_SUITE_P(
    EveryDay, NextExec,
    ::testing::Values(
        NextCase{"BeforeRunMinuteIsToday", kWed, {.runTime = "09:00"}, "2024/06/12"},
        NextCase{"AtRunMinuteIsTomorrow", {2024, 6, 12, 9, 0}, {.runTime = "09:00"}, "2024/06/13"},
        NextCase{
            "AfterRunMinuteIsTomorrow", {2024, 6, 12, 23, 59}, {.runTime = "09:00"}, "2024/06/13"},
        NextCase{
            "MidnightRunTimeAtMidnight", {2024, 6, 12, 0, 0}, {.runTime = "00:00"}, "2024/06/13"},
        NextCase{"CreatedAtItsOwnMinuteIsTomorrow",
                 {2024, 6, 12, 14, 30},
                 {.runTime = "14:30"},
                 "2024/06/13"},
        NextCase{"RanByHandThisMorningWaitsForTomorrow",
                 {2024, 6, 12, 8, 0},
                 {.runTime = "18:00", .lastRun = "2024/06/12"},
                 "2024/06/13"},
        NextCase{"RanYesterdayIsToday",
                 kWed,
                 {.runTime = "18:00", .lastRun = "2024/06/11"},
                 "2024/06/12"},
        NextCase{"AcrossLeapDay", {2000, 2, 28, 10, 0}, {.runTime = "09:00"}, "2000/02/29"},
        NextCase{"AcrossYearEnd", {2023, 12, 31, 10, 0}, {.runTime = "09:00"}, "2024/01/01"},
        NextCase{"LastDayOfCalendarBeforeMinute",
                 {2069, 12, 31, 8, 0},
                 {.runTime = "09:00"},
                 "2069/12/31"},
        // The day after the last real day is fill, not a date: the walk must not restart in
        // 1970.
        NextCase{"RanOnTheLastDayOfCalendarKeepsPrevious",
                 {2069, 12, 31, 8, 0},
                 {.runTime = "09:00", .lastRun = "2069/12/31", .nextRun = "2069/12/30"},
                 "2069/12/30"}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Weekdays, NextExec,
    ::testing::Values(NextCase{"FridayAfterMinuteIsMonday",
                               {2024, 6, 14, 10, 0},
                               {.runTime = "09:00", .schedule = "平日"},
                               "2024/06/17"},
                      NextCase{"FridayBeforeMinuteIsToday",
                               {2024, 6, 14, 8, 0},
                               {.runTime = "09:00", .schedule = "平日"},
                               "2024/06/14"},
                      NextCase{"FridayAfterMinuteSkipsHolidayMonday",
                               {2007, 1, 5, 10, 0},
                               {.runTime = "09:00", .schedule = "平日"},
                               "2007/01/09"},
                      NextCase{"RanFridayByHandSkipsHolidayMonday",
                               {2007, 1, 5, 7, 0},
                               {.runTime = "09:00", .schedule = "平日", .lastRun = "2007/01/05"},
                               "2007/01/09"},
                      NextCase{"OnHolidayMondayBeforeMinuteIsTuesday",
                               {2007, 1, 8, 7, 0},
                               {.runTime = "09:00", .schedule = "平日"},
                               "2007/01/09"},
                      NextCase{"NewYearsDayIsPassedOver",
                               {2006, 12, 31, 7, 0},
                               {.runTime = "09:00", .schedule = "平日"},
                               "2007/01/02"},
                      NextCase{"DayMissingFromTheTableIsAWeekday",
                               {2014, 12, 31, 10, 0},
                               {.runTime = "09:00", .schedule = "平日"},
                               "2015/01/01"},
                      NextCase{"RealHolidayAfterTheTableIsAWeekday",
                               {2029, 12, 31, 10, 0},
                               {.runTime = "09:00", .schedule = "平日"},
                               "2030/01/01"},
                      NextCase{"EndDateOverTheWeekendCompletes",
                               {2024, 6, 14, 10, 0},
                               {.runTime = "09:00", .schedule = "平日", .endDate = "2024/06/16"},
                               "",
                               StateCompleted}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Holidays, NextExec,
    ::testing::Values(NextCase{"TuesdayIsSaturday",
                               {2007, 1, 2, 10, 0},
                               {.runTime = "09:00", .schedule = "休日"},
                               "2007/01/06"},
                      NextCase{"SaturdayBeforeMinuteIsToday",
                               {2007, 1, 6, 8, 0},
                               {.runTime = "09:00", .schedule = "休日"},
                               "2007/01/06"},
                      NextCase{"SundayAfterMinuteIsHolidayMonday",
                               {2007, 1, 7, 10, 0},
                               {.runTime = "09:00", .schedule = "休日"},
                               "2007/01/08"},
                      NextCase{"DayMissingFromTheTableIsNoHoliday",
                               {2014, 12, 31, 10, 0},
                               {.runTime = "09:00", .schedule = "休日"},
                               "2015/01/03"},
                      NextCase{"StartDateOnAWeekdayMovesToTheWeekend",
                               {2024, 6, 3, 10, 0},
                               {.runTime = "09:00", .schedule = "休日", .startDate = "2024/06/12"},
                               "2024/06/15"}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    ChosenDays, NextExec,
    ::testing::Values(NextCase{"MondayAndThursdayOnTuesdayIsThursday",
                               {2024, 6, 11, 10, 0},
                               {.runTime = "09:00", .schedule = "月・木"},
                               "2024/06/13"},
                      NextCase{"MondayOnMondayAfterMinuteIsNextMonday",
                               {2024, 6, 10, 10, 0},
                               {.runTime = "09:00", .schedule = "月"},
                               "2024/06/17"},
                      NextCase{"HolidayMondayStillCounts",
                               {2007, 1, 6, 10, 0},
                               {.runTime = "09:00", .schedule = "月"},
                               "2007/01/08"},
                      NextCase{"SaturdayAndSundayOnWednesday",
                               kWed,
                               {.runTime = "09:00", .schedule = "日・土"},
                               "2024/06/15"},
                      NextCase{"NoDayChosenKeepsPrevious",
                               kWed,
                               {.runTime = "09:00", .schedule = "-", .nextRun = "2024/06/01"},
                               "2024/06/01"}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(OnceOnly, NextExec,
                         ::testing::Values(NextCase{"NeverRunMinutePassedIsTomorrow",
                                                    {2024, 6, 12, 10, 0},
                                                    {.runTime = "09:00", .schedule = "１回のみ"},
                                                    "2024/06/13"},
                                           NextCase{"NeverRunMinuteAheadIsToday",
                                                    kWed,
                                                    {.runTime = "09:00", .schedule = "１回のみ"},
                                                    "2024/06/12"},
                                           NextCase{"RanHasNoNextRunAndKeepsState",
                                                    kWed,
                                                    {.runTime = "09:00",
                                                     .schedule = "１回のみ",
                                                     .lastRun = "2024/06/01",
                                                     .nextRun = "2024/06/01",
                                                     .state = StateRunning},
                                                    "",
                                                    StateRunning},
                                           NextCase{"RanTodayHasNoNextRun",
                                                    {2024, 6, 12, 10, 0},
                                                    {.runTime = "09:00",
                                                     .schedule = "１回のみ",
                                                     .lastRun = "2024/06/12",
                                                     .nextRun = "2024/06/12"},
                                                    ""}),
                         [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Dates, NextExec,
    ::testing::Values(
        NextCase{"EndDateYesterdayCompletes",
                 kWed,
                 {.runTime = "09:00", .endDate = "2024/06/11", .nextRun = "2024/06/11"},
                 "",
                 StateCompleted},
        NextCase{"EndDateTodayMinutePassedCompletes",
                 {2024, 6, 12, 9, 0},
                 {.runTime = "09:00", .endDate = "2024/06/12", .nextRun = "2024/06/12"},
                 "",
                 StateCompleted},
        NextCase{"EndDateTodayMinuteAheadIsToday",
                 kWed,
                 {.runTime = "09:00", .endDate = "2024/06/12"},
                 "2024/06/12"},
        NextCase{"EndDatePassedCompletesADisabledTask",
                 kWed,
                 {.runTime = "09:00", .endDate = "2024/01/01", .state = StateDisabled},
                 "",
                 StateCompleted},
        NextCase{"EndDatePassedCompletesARunningOnceTask",
                 kWed,
                 {.runTime = "09:00",
                  .schedule = "１回のみ",
                  .endDate = "2024/01/01",
                  .state = StateRunning},
                 "",
                 StateCompleted},
        NextCase{"StartDateThreeDaysAheadEarly",
                 {2024, 6, 12, 0, 0},
                 {.runTime = "09:00", .startDate = "2024/06/15"},
                 "2024/06/15"},
        NextCase{"StartDateThreeDaysAheadLate",
                 {2024, 6, 12, 23, 59},
                 {.runTime = "09:00", .startDate = "2024/06/15"},
                 "2024/06/15"},
        NextCase{"StartDateTodayMinutePassedIsTomorrow",
                 {2024, 6, 12, 10, 0},
                 {.runTime = "09:00", .startDate = "2024/06/12"},
                 "2024/06/13"},
        NextCase{"StartDateInThePastIsIgnored",
                 kWed,
                 {.runTime = "09:00", .startDate = "2024/01/01"},
                 "2024/06/12"},
        NextCase{"LastRunOnTheStartDateMovesPastIt",
                 kWed,
                 {.runTime = "09:00", .startDate = "2024/06/15", .lastRun = "2024/06/15"},
                 "2024/06/16"},
        NextCase{"StartAfterEndCompletes",
                 kWed,
                 {.runTime = "09:00", .startDate = "2024/07/01", .endDate = "2024/06/20"},
                 "",
                 StateCompleted},
        NextCase{"StartAndEndOnTheSameFutureDay",
                 kWed,
                 {.runTime = "09:00", .startDate = "2024/07/01", .endDate = "2024/07/01"},
                 "2024/07/01"},
        NextCase{"StartDateAfterTheCalendarKeepsPrevious",
                 kWed,
                 {.runTime = "09:00", .startDate = "2070/01/01", .nextRun = "2024/06/01"},
                 "2024/06/01"}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Records, NextExec,
    ::testing::Values(
        NextCase{"NoScheduleFlagKeepsPrevious",
                 kWed,
                 {.runTime = "09:00", .nextRun = "2024/06/01"},
                 "2024/06/01",
                 StateWaiting,
                 clearScheduleFlags},
        NextCase{"NoScheduleFlagKeepsTodayAfterMinute",
                 {2024, 6, 12, 10, 0},
                 {.runTime = "09:00", .nextRun = "2024/06/12"},
                 "2024/06/12",
                 StateWaiting,
                 clearScheduleFlags},
        NextCase{"OnceWinsOverTheOtherFlags",
                 kWed,
                 {.runTime = "09:00", .schedule = "１回のみ", .lastRun = "2024/06/01"},
                 "",
                 StateWaiting,
                 [](TaskRecord& r) { r.daily = r.weekdays = 1; }},
        NextCase{"WeekdaysWinsOverHolidays",
                 {2024, 6, 15, 10, 0},
                 {.runTime = "09:00", .schedule = "平日"},
                 "2024/06/17",
                 StateWaiting,
                 [](TaskRecord& r) { r.holidays = r.chosenDays = 1; }},
        // A run time without a terminator is read within its 16 bytes.
        NextCase{"UnterminatedRunTimeIsReadBounded",
                 {2024, 6, 12, 10, 0},
                 {.runTime = "09:00"},
                 "2024/06/12",
                 StateWaiting,
                 [](TaskRecord& r) { std::memset(r.runTime, '9', sizeof r.runTime); }},
        NextCase{"OldNextRunTextIsZeroFilled",
                 kWed,
                 {.runTime = "09:00"},
                 "2024/06/12",
                 StateWaiting,
                 [](TaskRecord& r) { std::memset(r.nextRunText, 'X', sizeof r.nextRunText); }}),
    [](const auto& info) { return std::string(info.param.label); });

class NextExecIndex : public ::testing::Test {
  protected:
    void SetUp() override {
        MyCalMake(ctx);
        for (int i = 0; i < 4; ++i)
            ctx.tasks.push_back(build({.name = "t" + std::to_string(i), .runTime = "09:00"}));
        ctx.taskCount = 2;
    }
    FakeClock clock{2024, 6, 12, 8, 0};
    AppContext ctx;
};

TEST_F(NextExecIndex, CountComputesThePreparedSlot) {
    EXPECT_EQ(MySetNextExec(ctx, 2), 0);
    expectNextRun(ctx.tasks[2], "2024/06/12");
}

TEST_F(NextExecIndex, OutOfRangeReturnsMinusNineAndWritesNothing) {
    const std::vector<TaskRecord> before = ctx.tasks;
    for (int index : {3, -1, 1000}) {
        EXPECT_EQ(MySetNextExec(ctx, index), -9) << index;
    }
    ASSERT_EQ(ctx.tasks.size(), before.size());
    EXPECT_EQ(0, std::memcmp(ctx.tasks.data(), before.data(), before.size() * sizeof(TaskRecord)));
}

TEST_F(NextExecIndex, CountWithoutAPreparedSlotReturnsMinusNine) {
    ctx.tasks.resize(2);
    EXPECT_EQ(MySetNextExec(ctx, 2), -9);
}

TEST_F(NextExecIndex, EmptyCalendarFindsNoDayAndKeepsPrevious) {
    ctx.calendar.clear();
    ctx.tasks[0] = build({.runTime = "09:00", .lastRun = "2024/06/12", .nextRun = "2024/06/01"});
    EXPECT_EQ(MySetNextExec(ctx, 0), 0);
    expectNextRun(ctx.tasks[0], "2024/06/01");
    EXPECT_EQ(ctx.tasks[0].state, StateWaiting);

    // The end date needs no calendar.
    ctx.tasks[1] = build({.runTime = "09:00", .endDate = "2024/06/11"});
    EXPECT_EQ(MySetNextExec(ctx, 1), 0);
    expectNextRun(ctx.tasks[1], "");
    EXPECT_EQ(ctx.tasks[1].state, StateCompleted);
}

TEST_F(NextExecIndex, FollowsTheClockBetweenCalls) {
    EXPECT_EQ(MySetNextExec(ctx, 0), 0);
    expectNextRun(ctx.tasks[0], "2024/06/12");
    clock.setTime(9, 0);
    EXPECT_EQ(MySetNextExec(ctx, 0), 0);
    expectNextRun(ctx.tasks[0], "2024/06/13");
}

TEST_F(NextExecIndex, TracesStartAndEndWithTheResult) {
    testing_support::TempHome home;
    const std::string path = home.scratch() + "/trace.log";
    setenv("CHORELIN_TRACE", path.c_str(), 1);
    resetTraceSink();
    MySetNextExec(ctx, 0);
    MySetNextExec(ctx, 9);
    unsetenv("CHORELIN_TRACE");
    resetTraceSink();
    EXPECT_EQ(testing_support::readFile(path),
              "MySetNextExec() Start\nMySetNextExec() End Ret=0\n"
              "MySetNextExec() Start\nMySetNextExec() End Ret=-9\n");
}

} // namespace
