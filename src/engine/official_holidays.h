#pragma once
// The Cabinet Office's holiday file of this release (Shift_JIS, 1955 onward), compiled into the
// program, and where the built-in table says otherwise.

#include "engine/holiday_csv.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The file byte for byte, as it is installed as /usr/share/chorelin/syukujitsu.csv.
std::string_view officialHolidayBytes();
// The file read as an import reads it.
HolidayCsv officialHolidays();

// A Monday-to-Friday day on which the built-in table and the official file disagree.
struct BuiltinDifference {
    int32_t date = 0;       // YYYYMMDD
    bool inBuiltin = false; // listed by the built-in table only (else by the official file only)
    std::string name;       // the official name when the official file lists it
};
// Every such day of the built-in table's years that the official file covers, in date order,
// from `firstYear` on.
std::vector<BuiltinDifference> builtinDifferences(int firstYear);
