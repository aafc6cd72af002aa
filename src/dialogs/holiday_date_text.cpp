#include "dialogs/holiday_date_text.h"

#include <chrono>

QString holidayDateText(int32_t date) {
    static const char* const kDays[] = {"日", "月", "火", "水", "木", "金", "土"};
    using namespace std::chrono;
    const year_month_day ymd{year{date / 10000}, month{unsigned(date / 100 % 100)},
                             day{unsigned(date % 100)}};
    return QString::asprintf("%04d/%02d/%02d (", date / 10000, date / 100 % 100, date % 100) +
           QString::fromUtf8(kDays[weekday{sys_days{ymd}}.c_encoding()]) + QStringLiteral(")");
}
