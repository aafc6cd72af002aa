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
    Own,          // one of the user's own days off (days-off.csv), on top of the others
};

// "組み込み", "ファイル", "規則による計算", "なし（土曜・日曜のみ）", "独自"
const char* holidaySourceLabel(HolidaySource source);
// "builtin", "file", "rules", "none", "own": the words of the command line's JSON.
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
    // The same, with the user's own days off on top (any order).
    HolidaySources(std::vector<HolidayRow> fileRows, std::vector<HolidayRow> ownDays);

    bool hasFile() const { return !rows_.empty(); }
    int fileFirstYear() const { return hasFile() ? rows_.front().date / 10000 : 0; }
    int fileLastYear() const { return hasFile() ? rows_.back().date / 10000 : 0; }

    const std::vector<HolidayRow>& fileRows() const { return rows_; }
    const std::vector<HolidayRow>& ownDays() const { return own_; }

    // Where the year's national holidays come from (own days off never change it).
    HolidaySource sourceOf(int year) const;
    // Every holiday the year's source gives and every own day off of the year that is no such
    // holiday, weekends included, in date order, each date once.
    std::vector<Holiday> holidaysOf(int year) const;
    // Which source serves which years of the calendar, in year order.
    std::vector<YearRange> ranges() const;

private:
    bool fileCovers(int year) const;

    std::vector<HolidayRow> rows_; // in date order
    std::vector<int> fileYears_;   // ascending, each once
    std::vector<HolidayRow> own_;  // in date order
};

// Whether a YYYYMMDD date falls on Monday to Friday: only such a holiday changes a day's kind.
bool isMondayToFriday(int32_t date);

// Fills ctx.calendar as MyCalMake does, then gives every year whose holidays come from the file
// or the rules its holidays from there, and makes every own day off that falls on Monday to
// Friday a holiday. Without a file and own days the result is MyCalMake's, byte for byte.
void MyCalMakeFrom(AppContext& ctx, const HolidaySources& sources);
