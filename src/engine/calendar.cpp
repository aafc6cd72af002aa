#include "engine/calendar.h"

#include "store/trace.h"

#include <cstring>

namespace {

constexpr int kFirstYear = 1970;
constexpr int kEndYear = 2070; // one past the last year built
constexpr int kThursday = 4;   // 1970-01-01

// 100 years of 365 days and 25 leap days fit the table with room to spare.
static_assert(36525 <= kCalendarEntries);

int daysInMonth(int year, int month) {
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2: {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        return leap ? 29 : 28;
    }
    default:
        return 31;
    }
}

} // namespace

void MyCalSetHoliday(CalendarDay& day) {
    // The first equal date decides; a date listed twice changes nothing more.
    for (const int32_t holiday : HolidayTable) {
        if (holiday == day.date) {
            day.kind = DayHoliday;
            return;
        }
    }
}

void MyCalMake(AppContext& ctx) {
    traceLine("MyCalMake() Start");
    tracef("%d年 ～ %d年のカレンダーを作成します。", kFirstYear, kEndYear);

    // Every byte of the unused tail reads 0xFF: date -1 sorts below every real date, so a scan
    // for the first day on or after a date never stops there.
    ctx.calendar.resize(kCalendarEntries);
    std::memset(ctx.calendar.data(), 0xFF, ctx.calendar.size() * sizeof(CalendarDay));

    int dayOfWeek = kThursday;
    size_t index = 0;
    for (int year = kFirstYear; year < kEndYear; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const int length = daysInMonth(year, month);
            for (int d = 1; d <= length; ++d) {
                CalendarDay& day = ctx.calendar[index++];
                day.date = year * 10000 + month * 100 + d;
                day.dayOfWeek = static_cast<uint8_t>(dayOfWeek);
                day.kind = dayOfWeek == 0 ? DaySunday : dayOfWeek == 6 ? DaySaturday : DayWeekday;
                dayOfWeek = (dayOfWeek + 1) % 7;
                MyCalSetHoliday(day);
            }
        }
    }

    traceLine("MyCalMake() End");
}
