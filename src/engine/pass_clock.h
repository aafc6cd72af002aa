#pragma once
// When the scheduler's passes begin: on the wall clock's half seconds (x.000 and x.500), so the
// first pass of a minute begins right at its second 00 and a due task starts within a few
// milliseconds of its minute instead of up to half a second late.

#include "platform/event.h"

#include <chrono>

// Time from `now` to the next wall-clock half second strictly after it; in (0, 500 ms].
std::chrono::nanoseconds untilNextHalfSecond(std::chrono::system_clock::time_point now);

// Waits until the wall clock reaches `deadline`, or until `stop` is set. True when stopped.
// The wait runs on the monotonic clock and re-reads the wall clock on waking, so it is precise
// to the timer's own slack; a wall clock set back meanwhile lengthens it by no more than
// `longest`.
bool waitForWallClock(const platform::ManualResetEvent& stop,
                      std::chrono::system_clock::time_point deadline,
                      std::chrono::nanoseconds longest);

// Waits for the next wall-clock half second or the stop event. True when stopped.
bool waitForNextHalfSecond(const platform::ManualResetEvent& stop);
