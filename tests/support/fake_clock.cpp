#include "support/fake_clock.h"

#include <ctime>

namespace testing_support {

int dayOfWeek(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

FakeClock::FakeClock(int year, int month, int day, int hour, int minute, int second) {
    set(year, month, day, hour, minute, second);
    platform::setClockOverride([this] { return now(); });
}

FakeClock::~FakeClock() {
    platform::setClockOverride({});
}

void FakeClock::set(int year, int month, int day, int hour, int minute, int second) {
    std::lock_guard<std::mutex> guard(mutex_);
    now_ =
        platform::LocalTime{year, month, day, hour, minute, second, 0, dayOfWeek(year, month, day)};
}

void FakeClock::setTime(int hour, int minute, int second) {
    std::lock_guard<std::mutex> guard(mutex_);
    now_.hour = hour;
    now_.minute = minute;
    now_.second = second;
}

void FakeClock::advanceSeconds(long long seconds) {
    std::lock_guard<std::mutex> guard(mutex_);
    tm t{};
    t.tm_year = now_.year - 1900;
    t.tm_mon = now_.month - 1;
    t.tm_mday = now_.day;
    t.tm_hour = now_.hour;
    t.tm_min = now_.minute;
    t.tm_sec = now_.second;
#ifdef _WIN32
    time_t base = _mkgmtime(&t) + seconds;
    tm out{};
    gmtime_s(&out, &base);
#else
    time_t base = timegm(&t) + seconds;
    tm out{};
    gmtime_r(&base, &out);
#endif
    now_ = platform::LocalTime{out.tm_year + 1900, out.tm_mon + 1, out.tm_mday, out.tm_hour,
                               out.tm_min,         out.tm_sec,     0,           out.tm_wday};
}

platform::LocalTime FakeClock::now() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return now_;
}

} // namespace testing_support
