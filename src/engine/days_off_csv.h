#pragma once
// The user's own days off (a company's year-end days, its founding day), kept in days-off.csv
// beside the settings file: a header line "日付,名称", then one "YYYY/M/D,名称" row per day, in
// the same encodings and with the same strict checks as the holiday file. They count as holidays
// on top of whichever national holidays are in force.

#include "engine/holiday_csv.h"

#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kDaysOffCsvHeader = "日付,名称";
inline constexpr const char* kDaysOffFileName = "days-off.csv";

// Reads a days-off file strictly: real days of 1970 to 2069 (the calendar's years), each date
// once, each with a name. A header alone is an empty, accepted list.
HolidayCsv parseDaysOffCsv(std::string_view bytes);

// The file that parseDaysOffCsv reads back as `rows`: UTF-8, LF, rows in date order.
std::string daysOffCsvText(const std::vector<HolidayRow>& rows);

// Why `day` may not join `rows` (a date outside the calendar, an empty name or one with a
// control character, a date already there); empty when it may.
std::string dayOffRefusal(const std::vector<HolidayRow>& rows, const HolidayRow& day);
