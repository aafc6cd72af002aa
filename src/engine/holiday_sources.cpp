#include "engine/holiday_sources.h"

#include "engine/calendar.h"
#include "engine/holiday_rules.h"
#include "store/trace.h"

#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono;

constexpr int kBuiltinFirstYear = 2007;
constexpr int kBuiltinLastYear = 2029;

sys_days dayOf(int32_t date) {
    return sys_days{year{date / 10000} / month{unsigned(date / 100 % 100)} /
                    day{unsigned(date % 100)}};
}

// The calendar entry of 1 January of `y`: the calendar holds every day from 1970 on, in order.
size_t firstEntryOf(int y) {
    return static_cast<size_t>(
        (sys_days{year{y} / January / 1} - sys_days{year{kCalendarFirstYear} / January / 1})
            .count());
}

void setYearFrom(std::vector<CalendarDay>& calendar, int y, const std::vector<Holiday>& holidays) {
    const size_t first = firstEntryOf(y);
    const size_t end = std::min(firstEntryOf(y + 1), calendar.size());
    for (size_t i = first; i < end; ++i) {
        CalendarDay& day = calendar[i];
        day.kind = day.dayOfWeek == 0 ? DaySunday : day.dayOfWeek == 6 ? DaySaturday : DayWeekday;
    }
    for (const Holiday& holiday : holidays) {
        const size_t i =
            first +
            static_cast<size_t>((dayOf(holiday.date) - sys_days{year{y} / January / 1}).count());
        if (i < end && calendar[i].kind == DayWeekday)
            calendar[i].kind = DayHoliday;
    }
}

} // namespace

const char* holidaySourceLabel(HolidaySource source) {
    switch (source) {
    case HolidaySource::Builtin:
        return "組み込み";
    case HolidaySource::File:
        return "ファイル";
    case HolidaySource::Rules:
        return "規則による計算";
    case HolidaySource::Own:
        return "独自";
    case HolidaySource::WeekendsOnly:
        break;
    }
    return "なし（土曜・日曜のみ）";
}

const char* holidaySourceKey(HolidaySource source) {
    switch (source) {
    case HolidaySource::Builtin:
        return "builtin";
    case HolidaySource::File:
        return "file";
    case HolidaySource::Rules:
        return "rules";
    case HolidaySource::Own:
        return "own";
    case HolidaySource::WeekendsOnly:
        break;
    }
    return "none";
}

bool isMondayToFriday(int32_t date) {
    const unsigned dow = weekday{dayOf(date)}.c_encoding();
    return dow != 0 && dow != 6;
}

HolidaySources::HolidaySources(std::vector<HolidayRow> fileRows) : rows_(std::move(fileRows)) {
    std::sort(rows_.begin(), rows_.end(),
              [](const HolidayRow& a, const HolidayRow& b) { return a.date < b.date; });
    for (const HolidayRow& row : rows_) {
        if (fileYears_.empty() || fileYears_.back() != row.date / 10000)
            fileYears_.push_back(row.date / 10000);
    }
}

HolidaySources::HolidaySources(std::vector<HolidayRow> fileRows, std::vector<HolidayRow> ownDays)
    : HolidaySources(std::move(fileRows)) {
    own_ = std::move(ownDays);
    std::sort(own_.begin(), own_.end(),
              [](const HolidayRow& a, const HolidayRow& b) { return a.date < b.date; });
}

bool HolidaySources::fileCovers(int year) const {
    return std::binary_search(fileYears_.begin(), fileYears_.end(), year);
}

HolidaySource HolidaySources::sourceOf(int year) const {
    if (fileCovers(year))
        return HolidaySource::File;
    if (hasFile() && year > fileLastYear())
        return HolidaySource::Rules;
    if (year >= kBuiltinFirstYear && year <= kBuiltinLastYear)
        return HolidaySource::Builtin;
    return HolidaySource::WeekendsOnly;
}

std::vector<Holiday> HolidaySources::holidaysOf(int year) const {
    std::vector<Holiday> holidays;
    const HolidaySource source = sourceOf(year);
    switch (source) {
    case HolidaySource::Builtin:
        for (const int32_t date : HolidayTable) {
            // The table lists one date twice; each date is shown once.
            if (date / 10000 == year && (holidays.empty() || holidays.back().date != date))
                holidays.push_back({date, std::string(), source});
        }
        break;
    case HolidaySource::File: {
        const auto first =
            std::lower_bound(rows_.begin(), rows_.end(), year * 10000,
                             [](const HolidayRow& row, int32_t date) { return row.date < date; });
        for (auto it = first; it != rows_.end() && it->date / 10000 == year; ++it)
            holidays.push_back({it->date, it->name, source});
        break;
    }
    case HolidaySource::Rules:
        for (HolidayRow& row : MyHolidaysByRules(year))
            holidays.push_back({row.date, std::move(row.name), source});
        break;
    case HolidaySource::Own:
    case HolidaySource::WeekendsOnly:
        break;
    }
    const size_t national = holidays.size();
    const auto firstOwn =
        std::lower_bound(own_.begin(), own_.end(), year * 10000,
                         [](const HolidayRow& row, int32_t date) { return row.date < date; });
    for (auto it = firstOwn; it != own_.end() && it->date / 10000 == year; ++it) {
        const auto end = holidays.begin() + static_cast<std::ptrdiff_t>(national);
        const bool isNational = std::any_of(holidays.begin(), end, [&](const Holiday& holiday) {
            return holiday.date == it->date;
        });
        if (!isNational)
            holidays.push_back({it->date, it->name, HolidaySource::Own});
    }
    std::stable_sort(holidays.begin(), holidays.end(),
                     [](const Holiday& a, const Holiday& b) { return a.date < b.date; });
    return holidays;
}

std::vector<YearRange> HolidaySources::ranges() const {
    std::vector<YearRange> ranges;
    for (int year = kCalendarFirstYear; year <= kCalendarLastYear; ++year) {
        const HolidaySource source = sourceOf(year);
        if (!ranges.empty() && ranges.back().source == source)
            ranges.back().last = year;
        else
            ranges.push_back({year, year, source});
    }
    return ranges;
}

void MyCalMakeFrom(AppContext& ctx, const HolidaySources& sources) {
    MyCalMake(ctx);
    if (sources.hasFile()) {
        for (int year = kCalendarFirstYear; year <= kCalendarLastYear; ++year) {
            const HolidaySource source = sources.sourceOf(year);
            if (source == HolidaySource::File || source == HolidaySource::Rules)
                setYearFrom(ctx.calendar, year, sources.holidaysOf(year));
        }
        for (const YearRange& range : sources.ranges())
            tracef("%d年 ～ %d年の祝日: %s", range.first, range.last,
                   holidaySourceLabel(range.source));
    }
    // Own days off go on top of whatever national holidays the year has: last, so that no
    // rebuilt year wipes them. Only Monday to Friday changes a day's kind, as for a holiday.
    for (const HolidayRow& day : sources.ownDays()) {
        const int y = day.date / 10000;
        if (y < kCalendarFirstYear || y > kCalendarLastYear)
            continue;
        const size_t i =
            firstEntryOf(y) +
            static_cast<size_t>((dayOf(day.date) - sys_days{year{y} / January / 1}).count());
        if (i < ctx.calendar.size() && ctx.calendar[i].kind == DayWeekday)
            ctx.calendar[i].kind = DayHoliday;
    }
    if (!sources.ownDays().empty())
        tracef("独自の休日: %zu日", sources.ownDays().size());
}
