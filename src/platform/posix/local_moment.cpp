#include "platform/local_moment.h"

#include "platform/system_clock.h"

#include <ctime>

namespace platform {

std::optional<LocalMoment> localMomentOf(int64_t epochMs) {
    const std::time_t seconds =
        static_cast<std::time_t>(epochMs >= 0 ? epochMs / 1000 : (epochMs - 999) / 1000);
    std::tm parts{};
    if (localtime_r(&seconds, &parts) == nullptr)
        return std::nullopt;
    LocalMoment moment;
    moment.time = localTimeOfParts(parts, static_cast<int>(((epochMs % 1000) + 1000) % 1000));
    moment.utcOffsetMinutes = static_cast<int>(parts.tm_gmtoff / 60);
    return moment;
}

} // namespace platform
