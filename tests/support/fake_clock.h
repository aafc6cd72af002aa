#pragma once
// A settable local clock installed for the life of the object.

#include "platform/clock.h"

#include <mutex>

namespace testing_support {

class FakeClock {
  public:
    FakeClock(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void set(int year, int month, int day, int hour, int minute, int second = 0);
    void setTime(int hour, int minute, int second = 0);
    // Moves the clock by whole seconds, across midnight and month ends.
    void advanceSeconds(long long seconds);
    platform::LocalTime now() const;

  private:
    mutable std::mutex mutex_;
    platform::LocalTime now_;
};

// Day of week of a Gregorian date, 0 Sunday.
int dayOfWeek(int year, int month, int day);

} // namespace testing_support
