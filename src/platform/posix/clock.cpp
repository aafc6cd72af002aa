#include "platform/system_clock.h"

#include <ctime>

namespace platform {

LocalTime systemLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    localtime_r(&now.tv_sec, &parts);
    return localTimeOfParts(parts, static_cast<int>(now.tv_nsec / 1000000));
}

int64_t systemEpochMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace platform
