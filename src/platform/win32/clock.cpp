#include "platform/clock.h"

#include <windows.h>

#include <ctime>
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

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochOffset = 116444736000000000LL;

int64_t systemEpochMs() {
    FILETIME ft;
    ::GetSystemTimePreciseAsFileTime(&ft);
    const int64_t ticks = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (ticks - kEpochOffset) / 10000;
}
} // namespace

LocalTime localTime() {
    {
        std::lock_guard<std::mutex> guard(clockMutex());
        if (clockOverride())
            return clockOverride()();
    }
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    t.dayOfWeek = st.wDayOfWeek;
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
    return systemEpochMs();
}

void setClockOverride(std::function<LocalTime()> clock) {
    std::lock_guard<std::mutex> guard(clockMutex());
    clockOverride() = std::move(clock);
}

} // namespace platform
