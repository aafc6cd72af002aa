#include "engine/missed_run.h"

#include "store/fields.h"

#include <chrono>
#include <string_view>

namespace {

std::optional<long long> dayStart(int32_t date) {
    using namespace std::chrono;
    if (date <= 0)
        return std::nullopt;
    const year_month_day ymd{year{date / 10000}, month{static_cast<unsigned>(date / 100 % 100)},
                             day{static_cast<unsigned>(date % 100)}};
    if (!ymd.ok())
        return std::nullopt;
    return static_cast<long long>(sys_days(ymd).time_since_epoch().count()) * 86400;
}

// The minute of the day of a run time "HH:MM"; nullopt for any other text.
std::optional<int> runMinute(std::string_view text) {
    const auto digit = [&text](size_t k) { return text[k] >= '0' && text[k] <= '9'; };
    if (text.size() != 5 || text[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4))
        return std::nullopt;
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[3] - '0') * 10 + (text[4] - '0');
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return hour * 60 + minute;
}

} // namespace

bool schedulerMayStart(const TaskRecord& task) {
    return task.state != StateDisabled && task.state != StateRunning &&
           task.state != StateCompleted && task.processInfo.processHandle == 0;
}

std::optional<long long> localSeconds(const platform::LocalTime& t) {
    const std::optional<long long> day = dayStart(platform::dateNumber(t));
    if (!day)
        return std::nullopt;
    return *day + t.hour * 3600LL + t.minute * 60LL + t.second;
}

std::optional<MissedRun> findMissedRun(const TaskRecord& task, const platform::LocalTime& now,
                                       std::optional<long long> lastLook) {
    if (!schedulerMayStart(task) || task.nextRunDate == 0)
        return std::nullopt;
    if (task.lastRunDate >= task.nextRunDate)
        return std::nullopt;
    if (task.startDate != 0 && task.nextRunDate < task.startDate)
        return std::nullopt;
    const std::optional<long long> day = dayStart(task.nextRunDate);
    const std::optional<int> minute = runMinute(fieldView(task.runTime));
    const std::optional<long long> current = localSeconds(now);
    if (!day || !minute || !current)
        return std::nullopt;
    const long long moment = *day + *minute * 60LL;
    if (moment > *current || (lastLook && moment <= *lastLook))
        return std::nullopt;
    return MissedRun{task.nextRunDate, *minute / 60, *minute % 60};
}
