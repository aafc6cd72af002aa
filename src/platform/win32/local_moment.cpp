#include "platform/local_moment.h"

#include <ctime>

namespace platform {

std::optional<LocalMoment> localMomentOf(int64_t epochMs) {
    const __time64_t seconds =
        static_cast<__time64_t>(epochMs >= 0 ? epochMs / 1000 : (epochMs - 999) / 1000);
    std::tm parts{};
    if (::_localtime64_s(&parts, &seconds) != 0)
        return std::nullopt;
    // The C runtime has no offset field: the local parts read as UTC differ from the moment by
    // exactly the offset that applied then.
    std::tm asUtc = parts;
    const __time64_t shifted = ::_mkgmtime64(&asUtc);
    if (shifted == -1)
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
    moment.utcOffsetMinutes = static_cast<int>((shifted - seconds) / 60);
    return moment;
}

} // namespace platform
