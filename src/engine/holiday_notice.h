#pragma once
// What to tell the user once per start about the holiday data: that the data in force ends
// within 90 days (or has ended), or that the installed holiday file could not be used.

#include "engine/holiday_sources.h"

#include <cstdint>
#include <string>

inline constexpr int kHolidayNoticeDays = 90;

// The notice for `today` (YYYYMMDD), UTF-8; empty when there is nothing to say. `refusal` is
// why the installed holiday file is not in force (empty when it is, or when there is none).
std::string holidayNotice(const HolidaySources& sources, const std::string& refusal, int32_t today);
