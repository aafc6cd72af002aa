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

void setClockOverride(std::function<LocalTime()> clock) {
    std::lock_guard<std::mutex> guard(clockMutex());
    clockOverride() = std::move(clock);
}

} // namespace platform
