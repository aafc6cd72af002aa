#include "engine/calendar.h"

#include "store/trace.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <set>

namespace {

using namespace std::chrono;

int dateNumber(const year_month_day& ymd) {
    return static_cast<int>(ymd.year()) * 10000 + static_cast<int>(unsigned(ymd.month())) * 100 +
           static_cast<int>(unsigned(ymd.day()));
}

// The date of a packed entry by value: the assertion macros bind references, which a packed
// field cannot give without misalignment.
int dateOf(const CalendarDay& day) {
    return day.date;
}

const std::vector<CalendarDay>& builtCalendar() {
    static const std::vector<CalendarDay> calendar = [] {
        AppContext ctx;
        MyCalMake(ctx);
        return ctx.calendar;
    }();
    return calendar;
}

const CalendarDay* find(int date) {
    const auto& cal = builtCalendar();
    auto it =
        std::find_if(cal.begin(), cal.end(), [&](const CalendarDay& d) { return d.date == date; });
    return it == cal.end() ? nullptr : &*it;
}

TEST(Calendar, HasExactlyTheTableSize) {
    EXPECT_EQ(builtCalendar().size(), static_cast<size_t>(kCalendarEntries));
}

struct EntryCase {
    size_t index;
    int date;
    int kind;
    int dayOfWeek;
};

class CalendarEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(CalendarEntry, HoldsDateKindAndDayOfWeek) {
    const EntryCase& c = GetParam();
    const CalendarDay& day = builtCalendar().at(c.index);
    EXPECT_EQ(dateOf(day), c.date);
    EXPECT_EQ(day.kind, c.kind);
    EXPECT_EQ(day.dayOfWeek, c.dayOfWeek);
}

INSTANTIATE_TEST_SUITE_P(Edges, CalendarEntry,
                         ::testing::Values(EntryCase{0, 19700101, DayWeekday, 4},
                                           EntryCase{36524, 20691231, DayWeekday, 2},
                                           EntryCase{36525, -1, 0xFF, 0xFF},
                                           EntryCase{37199, -1, 0xFF, 0xFF}));

struct DateCase {
    int date;
    int kind;
    int dayOfWeek;
};

class CalendarDate : public ::testing::TestWithParam<DateCase> {};

TEST_P(CalendarDate, HasKindAndDayOfWeek) {
    const DateCase& c = GetParam();
    const CalendarDay* day = find(c.date);
    ASSERT_NE(day, nullptr) << c.date;
    EXPECT_EQ(day->kind, c.kind) << c.date;
    EXPECT_EQ(day->dayOfWeek, c.dayOfWeek) << c.date;
}

INSTANTIATE_TEST_SUITE_P(
    Days, CalendarDate,
    ::testing::Values(DateCase{20000229, DayWeekday, 2}, // leap by the divisible-by-400 rule
                      DateCase{19720229, DayWeekday, 2}, DateCase{20070101, DayHoliday, 1},
                      DateCase{20070108, DayHoliday, 1},
                      DateCase{20150101, DayWeekday, 4}, // missing from the holiday table
                      DateCase{20150112, DayHoliday, 1}, // listed twice
                      DateCase{20110103, DayHoliday, 1},
                      DateCase{20120102, DayWeekday, 1}, // no January entry before 0109
                      DateCase{20120223, DayWeekday, 4}, DateCase{20060101, DaySunday, 0},
                      DateCase{20060102, DayWeekday, 1}, // a real holiday, but before the table
                      DateCase{20061103, DayWeekday, 5},
                      DateCase{20300101, DayWeekday, 2}, // a real holiday, after the table
                      DateCase{20300211, DayWeekday, 1}, DateCase{20291224, DayHoliday, 1},
                      DateCase{20201103, DayHoliday, 2},
                      DateCase{20130505, DaySunday, 0}, // real holiday on a Sunday
                      DateCase{20091121, DaySaturday, 6}));

TEST(Calendar, HasNoTwentyNinthOfFebruaryInCommonYears) {
    EXPECT_EQ(find(19700229), nullptr);
    EXPECT_EQ(find(21000229), nullptr);
    EXPECT_EQ(find(20690229), nullptr);
    EXPECT_NE(find(20680229), nullptr);
}

// Every real entry against an independent calendar: consecutive days, day of week, and the kind
// that day of week and the holiday table give.
TEST(Calendar, EveryRealDayAgreesWithAnIndependentCalendar) {
    const auto& cal = builtCalendar();
    const std::set<int32_t> holidays(HolidayTable.begin(), HolidayTable.end());
    sys_days day = sys_days{year{1970} / January / 1};
    const sys_days end = sys_days{year{2070} / January / 1};
    size_t index = 0;
    for (; day < end; day += days{1}, ++index) {
        ASSERT_LT(index, cal.size());
        const CalendarDay& entry = cal[index];
        const int date = dateNumber(year_month_day{day});
        const int dow = static_cast<int>(weekday{day}.c_encoding());
        ASSERT_EQ(dateOf(entry), date) << "entry " << index;
        ASSERT_EQ(entry.dayOfWeek, dow) << date;
        int kind = DayWeekday;
        if (dow == 0)
            kind = DaySunday;
        else if (dow == 6)
            kind = DaySaturday;
        else if (holidays.count(date))
            kind = DayHoliday;
        ASSERT_EQ(entry.kind, kind) << date;
    }
    EXPECT_EQ(index, 36525u);
    for (; index < cal.size(); ++index) {
        ASSERT_EQ(dateOf(cal[index]), -1) << "entry " << index;
        ASSERT_EQ(cal[index].kind, 0xFF) << "entry " << index;
        ASSERT_EQ(cal[index].dayOfWeek, 0xFF) << "entry " << index;
    }
}

TEST(Calendar, HolidayCountIsTheDistinctWeekdayDatesOfTheTable) {
    std::set<int32_t> weekdayHolidays;
    for (int32_t date : HolidayTable) {
        const year_month_day ymd{year{date / 10000}, month{unsigned(date / 100 % 100)},
                                 day{unsigned(date % 100)}};
        const unsigned dow = weekday{sys_days{ymd}}.c_encoding();
        if (dow != 0 && dow != 6)
            weekdayHolidays.insert(date);
    }
    const auto& cal = builtCalendar();
    const auto kindEight = std::count_if(cal.begin(), cal.end(),
                                         [](const CalendarDay& d) { return d.kind == DayHoliday; });
    EXPECT_EQ(static_cast<size_t>(kindEight), weekdayHolidays.size());
    EXPECT_EQ(weekdayHolidays.size(), 311u); // 312 rows, 2015's 0112 twice
}

TEST(HolidayTable, IsAscendingFrom2007To2029) {
    EXPECT_EQ(HolidayTable.front(), 20070101);
    EXPECT_EQ(HolidayTable.back(), 20291224);
    EXPECT_TRUE(std::is_sorted(HolidayTable.begin(), HolidayTable.end()));
    for (int32_t date : HolidayTable)
        EXPECT_NE(date % 10000, 223) << date; // no year lists 0223
}

TEST(HolidayTable, HoldsEachYearsRowCount) {
    const std::map<int, int> expected = {{2007, 13}, {2008, 14}, {2009, 16}, {2010, 15}, {2011, 15},
                                         {2012, 10}, {2013, 13}, {2014, 14}, {2015, 15}, {2016, 15},
                                         {2017, 10}, {2018, 13}, {2019, 13}, {2020, 15}, {2021, 14},
                                         {2022, 14}, {2023, 10}, {2024, 13}, {2025, 14}, {2026, 16},
                                         {2027, 15}, {2028, 12}, {2029, 13}};
    std::map<int, int> counted;
    for (int32_t date : HolidayTable)
        ++counted[date / 10000];
    EXPECT_EQ(counted, expected);
}

struct SetHolidayCase {
    int date;
    uint8_t kindBefore;
    uint8_t kindAfter;
};

class SetHoliday : public ::testing::TestWithParam<SetHolidayCase> {};

TEST_P(SetHoliday, MarksOnlyListedDates) {
    const SetHolidayCase& c = GetParam();
    CalendarDay day{c.date, c.kindBefore, 3};
    MyCalSetHoliday(day);
    EXPECT_EQ(dateOf(day), c.date);
    EXPECT_EQ(day.kind, c.kindAfter);
    EXPECT_EQ(day.dayOfWeek, 3);
}

INSTANTIATE_TEST_SUITE_P(Dates, SetHoliday,
                         ::testing::Values(SetHolidayCase{20070101, DayWeekday, DayHoliday},
                                           SetHolidayCase{20291224, DayWeekday, DayHoliday},
                                           SetHolidayCase{20150112, DayWeekday, DayHoliday},
                                           SetHolidayCase{20150101, DayWeekday, DayWeekday},
                                           SetHolidayCase{20070102, DaySaturday, DaySaturday},
                                           SetHolidayCase{-1, 0xFF, 0xFF}));

TEST(Calendar, TracesItsStartRangeAndEnd) {
    testing_support::TempHome home;
    const std::string path = home.scratch() + "/trace.log";
    setenv("CHORELIN_TRACE", path.c_str(), 1);
    resetTraceSink();
    AppContext ctx;
    MyCalMake(ctx);
    unsetenv("CHORELIN_TRACE");
    resetTraceSink();
    EXPECT_EQ(testing_support::readFile(path),
              "MyCalMake() Start\n1970年 ～ 2070年のカレンダーを作成します。\nMyCalMake() End\n");
}

TEST(Calendar, RebuildingReplacesAnyPreviousContent) {
    AppContext ctx;
    ctx.calendar.assign(10, CalendarDay{0, 0, 0});
    MyCalMake(ctx);
    EXPECT_EQ(ctx.calendar.size(), static_cast<size_t>(kCalendarEntries));
    EXPECT_TRUE(std::equal(ctx.calendar.begin(), ctx.calendar.end(), builtCalendar().begin(),
                           builtCalendar().end(), [](const CalendarDay& a, const CalendarDay& b) {
                               return a.date == b.date && a.kind == b.kind &&
                                      a.dayOfWeek == b.dayOfWeek;
                           }));
}

} // namespace
