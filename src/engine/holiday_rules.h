#pragma once
// The public holidays that the National Holidays Act gives a year, as the Act stands since
// 2020: the named days, a substitute holiday after a named day on a Sunday, and a day between
// two named days. Used for the years after an imported holiday file ends.

#include "store/holiday_data.h"

#include <vector>

// Every holiday of `year` in date order, weekends included; substitute and in-between days are
// named "休日", as the official file names them.
std::vector<HolidayRow> MyHolidaysByRules(int year);

// The day of March and of September on which the equinox day falls (the usual formula, right
// for 1980 to 2099).
int vernalEquinoxDay(int year);
int autumnalEquinoxDay(int year);
