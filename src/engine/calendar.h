#pragma once
// The built-in calendar of 1970-01-01 .. 2069-12-31 with the Japanese public holidays of
// 2007 .. 2029 that fall on Monday to Friday.

#include "store/app_context.h"
#include "store/calendar_day.h"

#include <array>
#include <cstdint>

extern const std::array<int32_t, 312> HolidayTable;

// Fills ctx.calendar (resized to kCalendarEntries entries): real days first, 0xFF fill after.
void MyCalMake(AppContext& ctx);
// Marks the day as a holiday (kind 8) when its date is in HolidayTable.
void MyCalSetHoliday(CalendarDay& day);
