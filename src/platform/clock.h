#pragma once
// The local wall clock. Everything that asks "what day and minute is it" goes through
// localTime(), so a test can replace the clock for the whole process.

#include <cstdint>
#include <functional>

namespace platform {

struct LocalTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 0; // 0 Sunday .. 6 Saturday
};

LocalTime localTime();

// Replaces the clock; an empty function restores the real one. Thread-safe.
void setClockOverride(std::function<LocalTime()> clock);

// Milliseconds since the epoch of a local time (its second and millisecond included), as the
// time zone rules of the day say; 0 when it cannot be told.
int64_t epochMsOfLocal(const LocalTime& t);

// Now, in milliseconds since the epoch; under a replaced clock, that clock's time.
int64_t epochMsNow();

// YYYYMMDD of a local time.
inline int dateNumber(const LocalTime& t) {
    return t.year * 10000 + t.month * 100 + t.day;
}

} // namespace platform
