#pragma once
// The system's own clock, which clock.cpp puts behind the tests' replaceable one; one
// implementation per system.

#include "platform/clock.h"

#include <cstdint>
#include <ctime>

namespace platform {

LocalTime systemLocalTime();
int64_t systemEpochMs();

// The fields of a broken-down local time, with the milliseconds the C library does not keep.
LocalTime localTimeOfParts(const std::tm& parts, int millisecond);

} // namespace platform
