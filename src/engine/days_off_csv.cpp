#include "engine/days_off_csv.h"

#include "engine/holiday_sources.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string dateField(int32_t date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%d/%d", date / 10000 % 10000, date / 100 % 100,
                  date % 100);
    return text;
}

} // namespace

HolidayCsv parseDaysOffCsv(std::string_view bytes) {
    return parseDayList(
        bytes, DayListForm{kDaysOffCsvHeader, kCalendarFirstYear, kCalendarLastYear, true, false});
}

std::string daysOffCsvText(const std::vector<HolidayRow>& rows) {
    std::vector<HolidayRow> sorted = rows;
    std::sort(sorted.begin(), sorted.end(),
              [](const HolidayRow& a, const HolidayRow& b) { return a.date < b.date; });
    std::string text = std::string(kDaysOffCsvHeader) + "\n";
    for (const HolidayRow& row : sorted)
        text += dateField(row.date) + "," + row.name + "\n";
    return text;
}

std::string dayOffRefusal(const std::vector<HolidayRow>& rows, const HolidayRow& day) {
    const bool taken = std::any_of(rows.begin(), rows.end(),
                                   [&](const HolidayRow& row) { return row.date == day.date; });
    if (taken)
        return "日付「" + dateField(day.date) + "」はすでに独自の休日です。";
    // The one-row file goes through the file's own checks, so that a day added here is one the
    // file would accept when it is read back.
    if (day.name.find_first_of("\r\n") != std::string::npos)
        return "名称に使えない文字が含まれています。";
    if (day.name.find(',') != std::string::npos)
        return "名称に「,」は使えません。";
    const HolidayCsv csv = parseDaysOffCsv(daysOffCsvText({day}));
    if (csv.accepted())
        return std::string();
    const size_t colon = csv.refusal.find(": ");
    return colon == std::string::npos ? csv.refusal : csv.refusal.substr(colon + 2);
}
