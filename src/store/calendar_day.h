#pragma once
// One day of the built-in calendar: 6 bytes, date then kind then day of week.

#include <cstdint>

enum DayKind : uint8_t { DayWeekday = 1, DaySaturday = 2, DaySunday = 4, DayHoliday = 8 };

#pragma pack(push, 1)
struct CalendarDay {
    int32_t date;      // YYYYMMDD; -1 in the unused tail of the table
    uint8_t kind;      // a DayKind
    uint8_t dayOfWeek; // 0 Sunday .. 6 Saturday
};
#pragma pack(pop)
static_assert(sizeof(CalendarDay) == 6);

inline constexpr int kCalendarEntries = 37200;
