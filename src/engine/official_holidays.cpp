#include "engine/official_holidays.h"

#include "engine/calendar.h"
#include "engine/holiday_sources.h"

#include <algorithm>
#include <set>

HolidayCsv officialHolidays() {
    return parseHolidayCsv(officialHolidayBytes());
}

std::vector<BuiltinDifference> builtinDifferences(int firstYear) {
    const HolidayCsv official = officialHolidays();
    std::vector<BuiltinDifference> differences;
    if (!official.accepted() || official.rows.empty())
        return differences;
    const int lastYear = official.rows.back().date / 10000;
    const std::set<int32_t> builtin(HolidayTable.begin(), HolidayTable.end());
    const auto covered = [&](int32_t date) {
        return date / 10000 >= firstYear && date / 10000 <= lastYear;
    };
    std::set<int32_t> listed;
    for (const HolidayRow& row : official.rows) {
        if (!covered(row.date) || !isMondayToFriday(row.date))
            continue;
        listed.insert(row.date);
        // The built-in table starts in 2007; earlier years were never its business.
        if (row.date >= *builtin.begin() && builtin.count(row.date) == 0)
            differences.push_back({row.date, false, row.name});
    }
    for (const int32_t date : builtin) {
        if (covered(date) && listed.count(date) == 0)
            differences.push_back({date, true, std::string()});
    }
    std::sort(
        differences.begin(), differences.end(),
        [](const BuiltinDifference& a, const BuiltinDifference& b) { return a.date < b.date; });
    return differences;
}
