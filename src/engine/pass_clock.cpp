#include "engine/pass_clock.h"

#include <algorithm>

namespace {

using std::chrono::nanoseconds;
using std::chrono::steady_clock;
using std::chrono::system_clock;

constexpr nanoseconds kHalfSecond = std::chrono::milliseconds(500);
// Room for the two clocks to drift apart while the wall clock is slewed.
constexpr nanoseconds kSlewAllowance = std::chrono::milliseconds(20);

} // namespace

nanoseconds untilNextHalfSecond(system_clock::time_point now) {
    const nanoseconds sinceEpoch = std::chrono::duration_cast<nanoseconds>(now.time_since_epoch());
    // Floor modulo: times before 1970 count their half seconds the same way.
    nanoseconds into = sinceEpoch % kHalfSecond;
    if (into < nanoseconds::zero())
        into += kHalfSecond;
    return kHalfSecond - into;
}

bool waitForWallClock(const platform::ManualResetEvent& stop, system_clock::time_point deadline,
                      nanoseconds longest) {
    const steady_clock::time_point latest = steady_clock::now() + longest;
    for (;;) {
        const system_clock::time_point wallNow = system_clock::now();
        const steady_clock::time_point steadyNow = steady_clock::now();
        if (wallNow >= deadline || steadyNow >= latest)
            return stop.isSet();
        const steady_clock::time_point until = std::min(
            latest,
            steadyNow + std::chrono::duration_cast<steady_clock::duration>(deadline - wallNow));
        if (platform::waitForAnyUntil({&stop}, until) == 0)
            return true;
    }
}

bool waitForNextHalfSecond(const platform::ManualResetEvent& stop) {
    const system_clock::time_point now = system_clock::now();
    const nanoseconds wait = untilNextHalfSecond(now);
    return waitForWallClock(stop, now + std::chrono::duration_cast<system_clock::duration>(wait),
                            wait + kSlewAllowance);
}
