#pragma once
// The holiday file in the form the Cabinet Office publishes (syukujitsu.csv): a header line,
// then one "YYYY/M/D,名称" row per holiday. Shift_JIS (cp932) as published, UTF-8 with or without
// a byte order mark too, CRLF or LF. Users may add rows of their own in the same form.

#include "store/holiday_data.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kHolidayCsvHeader = "国民の祝日・休日月日,国民の祝日・休日名称";
inline constexpr int kHolidayCsvFirstYear = 1955;
inline constexpr int kHolidayCsvLastYear = 2099;
// Far beyond any real file (the official one is some 20 KB), small enough to read at once.
inline constexpr size_t kHolidayCsvMaxBytes = 4 * 1024 * 1024;

struct HolidayCsv {
    std::vector<HolidayRow> rows; // in date order
    std::string utf8Text;         // the whole file as UTF-8, without a byte order mark
    // Empty when the file was accepted; else "N行目: ..." naming the first bad line.
    std::string refusal;
    bool accepted() const { return refusal.empty(); }
};

// What sets one list of days apart from another of the same "YYYY/M/D,名称" form.
struct DayListForm {
    std::string_view header;
    int firstYear = 0;
    int lastYear = 0;
    bool mayBeEmpty = false; // a header alone is an accepted, empty list
    bool wholeYears = false; // every year present must hold its 1 January
};

// Reads a list of days strictly: the header, then rows whose dates are real days of the form's
// years, each date once, each with a name. Blank lines are passed over.
HolidayCsv parseDayList(std::string_view bytes, const DayListForm& form);

// "YYYY年の元日（1月1日）がありません。..." without the line number.
std::string partialYearReason(int year);

// Reads a holiday file strictly: the header, then rows whose dates are real days of 1955 to
// 2099, each date once, each with a name, every year present whole (it holds 1 January).
// Blank lines are passed over.
HolidayCsv parseHolidayCsv(std::string_view bytes);
