// The replaceable clock over the system's own (system_clock.h), and the conversions that the
// C library does alike on every system.

#include "platform/clock.h"

#include "platform/system_clock.h"

#include <mutex>

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

LocalTime localTimeOfParts(const std::tm& parts, int millisecond) {
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond = millisecond;
    t.dayOfWeek = parts.tm_wday;
    return t;
}

LocalTime localTime() {
    {
        std::lock_guard<std::mutex> guard(clockMutex());
        if (clockOverride())
            return clockOverride()();
    }
    return systemLocalTime();
}

int64_t epochMsOfLocal(const LocalTime& t) {
    std::tm parts{};
    parts.tm_year = t.year - 1900;
    parts.tm_mon = t.month - 1;
    parts.tm_mday = t.day;
    parts.tm_hour = t.hour;
    parts.tm_min = t.minute;
    parts.tm_sec = t.second;
    parts.tm_isdst = -1; // whatever the rules say for that day
    const std::time_t seconds = std::mktime(&parts);
    if (seconds == static_cast<std::time_t>(-1))
        return 0;
    return static_cast<int64_t>(seconds) * 1000 + t.millisecond;
}

int64_t epochMsNow() {
    {
        std::lock_guard<std::mutex> guard(clockMutex());
        if (clockOverride())
            return epochMsOfLocal(clockOverride()());
    }
    return systemEpochMs();
}

void setClockOverride(std::function<LocalTime()> clock) {
    std::lock_guard<std::mutex> guard(clockMutex());
    clockOverride() = std::move(clock);
}

} // namespace platform
