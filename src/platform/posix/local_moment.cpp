#include "platform/local_moment.h"

#include <ctime>

namespace platform {

std::optional<LocalMoment> localMomentOf(int64_t epochMs) {
    const std::time_t seconds =
        static_cast<std::time_t>(epochMs >= 0 ? epochMs / 1000 : (epochMs - 999) / 1000);
    std::tm parts{};
    if (localtime_r(&seconds, &parts) == nullptr)
        return std::nullopt;
    LocalMoment moment;
    moment.time.year = parts.tm_year + 1900;
    moment.time.month = parts.tm_mon + 1;
    moment.time.day = parts.tm_mday;
    moment.time.hour = parts.tm_hour;
    moment.time.minute = parts.tm_min;
    moment.time.second = parts.tm_sec;
    moment.time.millisecond = static_cast<int>(((epochMs % 1000) + 1000) % 1000);
    moment.time.dayOfWeek = parts.tm_wday;
    moment.utcOffsetMinutes = static_cast<int>(parts.tm_gmtoff / 60);
    return moment;
}

} // namespace platform
