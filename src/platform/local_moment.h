#pragma once
// A moment given in milliseconds since the epoch, told as the local calendar and clock of the
// time zone rules of that day (not the replaceable clock of clock.h: the moment is fixed).

#include "platform/clock.h"

#include <cstdint>
#include <optional>

namespace platform {

struct LocalMoment {
    LocalTime time;
    int utcOffsetMinutes = 0; // east of UTC: +540 in Japan
};

// Nothing when the system cannot tell that moment's local time.
std::optional<LocalMoment> localMomentOf(int64_t epochMs);

} // namespace platform
