#include "engine/holiday_rules.h"

#include <algorithm>
#include <chrono>
#include <set>

namespace {

using namespace std::chrono;

int32_t dateNumber(const year_month_day& ymd) {
    return static_cast<int32_t>(int(ymd.year())) * 10000 +
           static_cast<int32_t>(unsigned(ymd.month())) * 100 +
           static_cast<int32_t>(unsigned(ymd.day()));
}

// floor(a / b) for b > 0, also for negative a.
long long floorDiv(long long a, long long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// int(base + 0.242194 * (Y - 1980) - int((Y - 1980) / 4)), in millionths so that no rounding of
// binary fractions can move a day.
int equinoxDay(int year, long long baseMillionths) {
    const long long n = year - 1980;
    return static_cast<int>(floorDiv(baseMillionths + 242194 * n, 1000000) - floorDiv(n, 4));
}

sys_days nthMonday(int y, unsigned m, unsigned n) {
    return sys_days{year{y} / month{m} / weekday_indexed{Monday, n}};
}

} // namespace

int vernalEquinoxDay(int year) {
    return equinoxDay(year, 20843100);
}

int autumnalEquinoxDay(int year) {
    return equinoxDay(year, 23248800);
}

std::vector<HolidayRow> MyHolidaysByRules(int y) {
    const auto on = [y](unsigned m, unsigned d) { return sys_days{year{y} / month{m} / day{d}}; };
    const std::pair<sys_days, const char*> named[] = {
        {on(1, 1), "元日"},
        {nthMonday(y, 1, 2), "成人の日"},
        {on(2, 11), "建国記念の日"},
        {on(2, 23), "天皇誕生日"},
        {on(3, static_cast<unsigned>(vernalEquinoxDay(y))), "春分の日"},
        {on(4, 29), "昭和の日"},
        {on(5, 3), "憲法記念日"},
        {on(5, 4), "みどりの日"},
        {on(5, 5), "こどもの日"},
        {nthMonday(y, 7, 3), "海の日"},
        {on(8, 11), "山の日"},
        {nthMonday(y, 9, 3), "敬老の日"},
        {on(9, static_cast<unsigned>(autumnalEquinoxDay(y))), "秋分の日"},
        {nthMonday(y, 10, 2), "スポーツの日"},
        {on(11, 3), "文化の日"},
        {on(11, 23), "勤労感謝の日"},
    };
    std::set<sys_days> namedDays;
    for (const auto& [d, name] : named)
        namedDays.insert(d);

    std::vector<HolidayRow> rows;
    std::set<sys_days> taken = namedDays;
    for (const auto& [d, name] : named)
        rows.push_back({dateNumber(year_month_day{d}), name});
    // A named day on a Sunday makes the next day that is no named day a holiday.
    for (const auto& [d, name] : named) {
        if (weekday{d} != Sunday)
            continue;
        sys_days substitute = d + days{1};
        while (namedDays.count(substitute))
            substitute += days{1};
        if (taken.insert(substitute).second)
            rows.push_back({dateNumber(year_month_day{substitute}), "休日"});
    }
    // A day that is no holiday itself, between two named days, is a holiday too.
    for (const sys_days d : namedDays) {
        const sys_days between = d + days{1};
        if (!taken.count(between) && namedDays.count(between + days{1})) {
            taken.insert(between);
            rows.push_back({dateNumber(year_month_day{between}), "休日"});
        }
    }
    std::sort(rows.begin(), rows.end(),
              [](const HolidayRow& a, const HolidayRow& b) { return a.date < b.date; });
    return rows;
}
