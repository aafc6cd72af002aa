#pragma once
// Where each year of the calendar takes its public holidays from. Without a holiday file: the
// built-in table for 2007 to 2029, Saturdays and Sundays alone for the other years, exactly as
// the calendar always was. With a file: the years the file covers (any row in that year) from
// the file, the years after its last one from the National Holidays Act's rules, and every
// other year as without a file.

#include "store/app_context.h"
#include "store/holiday_data.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kCalendarFirstYear = 1970;
inline constexpr int kCalendarLastYear = 2069;

enum class HolidaySource : uint8_t {
    WeekendsOnly, // no holiday data for the year
    Builtin,      // the table compiled into the program
    File,         // the imported holiday file
    Rules,        // computed from the National Holidays Act
};

// "組み込み", "ファイル", "規則による計算", "なし（土曜・日曜のみ）"
const char* holidaySourceLabel(HolidaySource source);
// "builtin", "file", "rules", "none": the words of the command line's JSON.
const char* holidaySourceKey(HolidaySource source);

struct Holiday {
    int32_t date = 0;
    std::string name; // empty for the built-in table, which has none
    HolidaySource source = HolidaySource::Builtin;
};

struct YearRange {
    int first = 0;
    int last = 0;
    HolidaySource source = HolidaySource::WeekendsOnly;
};

class HolidaySources {
public:
    // The built-in table alone.
    HolidaySources() = default;
    // An accepted holiday file's rows (any order); none means the built-in table alone.
    explicit HolidaySources(std::vector<HolidayRow> fileRows);

    bool hasFile() const { return !rows_.empty(); }
    int fileFirstYear() const { return hasFile() ? rows_.front().date / 10000 : 0; }
    int fileLastYear() const { return hasFile() ? rows_.back().date / 10000 : 0; }

    HolidaySource sourceOf(int year) const;
    // Every holiday the year's source gives, weekends included, in date order, each date once.
    std::vector<Holiday> holidaysOf(int year) const;
    // Which source serves which years of the calendar, in year order.
    std::vector<YearRange> ranges() const;

private:
    bool fileCovers(int year) const;

    std::vector<HolidayRow> rows_; // in date order
    std::vector<int> fileYears_;   // ascending, each once
};

// Whether a YYYYMMDD date falls on Monday to Friday: only such a holiday changes a day's kind.
bool isMondayToFriday(int32_t date);

// Fills ctx.calendar as MyCalMake does, then gives every year whose holidays come from the file
// or the rules its holidays from there. Without a file the result is MyCalMake's, byte for byte.
void MyCalMakeFrom(AppContext& ctx, const HolidaySources& sources);
