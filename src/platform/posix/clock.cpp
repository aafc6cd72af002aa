#include "platform/clock.h"

#include <ctime>
#include <mutex>
#include <sys/time.h>

namespace platform {
namespace {
std::mutex& clockMutex() {
    static std::mutex m;
    return m;
}
std::function<LocalTime()>& clockOverride() {
    static std::function<LocalTime()> f;
    return f;
}
} // namespace

LocalTime localTime() {
    {
        std::lock_guard<std::mutex> guard(clockMutex());
        if (clockOverride())
            return clockOverride()();
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    localtime_r(&now.tv_sec, &parts);
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    t.dayOfWeek = parts.tm_wday;
    return t;
}

int64_t epochMsOfLocal(const LocalTime& t) {
    tm parts{};
    parts.tm_year = t.year - 1900;
    parts.tm_mon = t.month - 1;
    parts.tm_mday = t.day;
    parts.tm_hour = t.hour;
    parts.tm_min = t.minute;
    parts.tm_sec = t.second;
    parts.tm_isdst = -1; // whatever the rules say for that day
    const time_t seconds = mktime(&parts);
    if (seconds == static_cast<time_t>(-1))
        return 0;
    return static_cast<int64_t>(seconds) * 1000 + t.millisecond;
}

int64_t epochMsNow() {
    {
        std::lock_guard<std::mutex> guard(clockMutex());
        if (clockOverride())
            return epochMsOfLocal(clockOverride()());
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void setClockOverride(std::function<LocalTime()> clock) {
    std::lock_guard<std::mutex> guard(clockMutex());
    clockOverride() = std::move(clock);
}

} // namespace platform
