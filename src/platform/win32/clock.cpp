#include "platform/system_clock.h"

#include <windows.h>

namespace platform {

LocalTime systemLocalTime() {
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

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochOffset = 116444736000000000LL;

int64_t systemEpochMs() {
    FILETIME ft;
    ::GetSystemTimePreciseAsFileTime(&ft);
    const int64_t ticks = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (ticks - kEpochOffset) / 10000;
}

} // namespace platform
