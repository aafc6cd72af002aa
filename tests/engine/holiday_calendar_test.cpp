// The calendar with and without a holiday file: which years take their holidays from where, the
// kinds of days that gives, and nothing changed at all without a file.

#include "engine/calendar.h"
#include "engine/holiday_csv.h"
#include "engine/holiday_sources.h"
#include "holiday_test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace holiday_test;

const std::vector<CalendarDay>& todaysCalendar() {
    static const std::vector<CalendarDay> calendar = [] {
        AppContext ctx;
        MyCalMake(ctx);
        return ctx.calendar;
    }();
    return calendar;
}

bool sameBytes(const std::vector<CalendarDay>& a, const std::vector<CalendarDay>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

int kindOn(const std::vector<CalendarDay>& calendar, int32_t date) {
    const auto it = std::find_if(calendar.begin(), calendar.end(),
                                 [date](const CalendarDay& d) { return d.date == date; });
    return it == calendar.end() ? -1 : it->kind;
}

HolidaySources sampleSources(const std::string& ownRows = "") {
    const HolidayCsv csv = parseHolidayCsv(sampleUtf8Lf() + ownRows);
    EXPECT_TRUE(csv.accepted()) << csv.refusal;
    return HolidaySources(csv.rows);
}

TEST(HolidayCalendar, WithoutAFileIsTodaysCalendarByteForByte) {
    AppContext ctx;
    MyCalMakeFrom(ctx, HolidaySources());
    EXPECT_TRUE(sameBytes(ctx.calendar, todaysCalendar()));
}

TEST(HolidayCalendar, EachYearTakesItsSource) {
    const HolidaySources none;
    const HolidaySources sample = sampleSources();
    const struct {
        int year;
        HolidaySource without, with;
    } cases[] = {
        {1970, HolidaySource::WeekendsOnly, HolidaySource::WeekendsOnly},
        {2006, HolidaySource::WeekendsOnly, HolidaySource::WeekendsOnly},
        {2007, HolidaySource::Builtin, HolidaySource::Builtin}, // a gap in the file: as without
        {2023, HolidaySource::Builtin, HolidaySource::Builtin},
        {2024, HolidaySource::Builtin, HolidaySource::File},
        {2027, HolidaySource::Builtin, HolidaySource::File},
        {2028, HolidaySource::Builtin, HolidaySource::Rules}, // after the file
        {2030, HolidaySource::WeekendsOnly, HolidaySource::Rules},
        {2069, HolidaySource::WeekendsOnly, HolidaySource::Rules},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(none.sourceOf(c.year), c.without) << c.year;
        EXPECT_EQ(sample.sourceOf(c.year), c.with) << c.year;
    }
    // A file that starts later leaves the years before it as they were.
    const HolidaySources late({{20280101, "元日"}});
    EXPECT_EQ(late.sourceOf(2027), HolidaySource::Builtin);
    EXPECT_EQ(late.sourceOf(2006), HolidaySource::WeekendsOnly);
    EXPECT_EQ(late.sourceOf(2029), HolidaySource::Rules);
}

TEST(HolidayCalendar, DaysFollowTheFileTheRulesAndTheTableByYear) {
    AppContext ctx;
    MyCalMakeFrom(ctx, sampleSources("2026/12/29,会社休日\n"));
    const struct {
        int32_t date;
        int without, with;
    } cases[] = {
        {20261223, DayHoliday, DayWeekday}, // listed by the table, no holiday since 2019
        {20270223, DayWeekday, DayHoliday}, // never in the table
        {20260922, DayHoliday, DayHoliday}, // between two holidays
        {20261229, DayWeekday, DayHoliday}, // the user's own row
        {20240211, DaySunday, DaySunday},   // a holiday on a weekend keeps its kind
        {20240504, DaySaturday, DaySaturday},
        {20280223, DayWeekday, DayHoliday}, // the year after the file: the rules
        {20281222, DayWeekday, DayWeekday},
        {20300211, DayWeekday, DayHoliday}, // past the table, by the rules
        {20150101, DayWeekday, DayWeekday}, // a year before the file: the table as it is
        {20201223, DayHoliday, DayHoliday},
        {20060102, DayWeekday, DayWeekday}, // before the table: weekends only
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kindOn(todaysCalendar(), c.date), c.without) << c.date;
        EXPECT_EQ(kindOn(ctx.calendar, c.date), c.with) << c.date;
    }
    // Only the years of the file and after it changed.
    for (size_t i = 0; i < ctx.calendar.size(); ++i) {
        if (ctx.calendar[i].date > 0 && ctx.calendar[i].date < 20240101) {
            ASSERT_EQ(ctx.calendar[i].kind, todaysCalendar()[i].kind) << ctx.calendar[i].date;
        }
        ASSERT_EQ(ctx.calendar[i].dayOfWeek, todaysCalendar()[i].dayOfWeek);
    }
}

} // namespace
