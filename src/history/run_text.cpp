#include "history/run_text.h"

#include "platform/local_moment.h"

#include <algorithm>
#include <cstdio>

namespace history {

std::string triggerText(RunTrigger trigger) {
    switch (trigger) {
    case RunTrigger::Manual:
        return "手動";
    case RunTrigger::CatchUp:
        return "取りこぼし実行";
    case RunTrigger::Scheduled:
        break;
    }
    return "スケジュール";
}

std::string outcomeText(const RunRecord& run) {
    switch (run.ending) {
    case RunEnding::Exited: {
        const int code = run.exitCode.value_or(0);
        return (code == 0 ? "正常終了 (" : "異常終了 (") + std::to_string(code) + ")";
    }
    case RunEnding::Signal:
        return "シグナル (" + signalName(run.signal.value_or(0)) + ")";
    case RunEnding::Killed:
        return "強制終了";
    case RunEnding::Failed:
        return "起動失敗: " + run.error;
    case RunEnding::Running:
        return "実行中";
    case RunEnding::Lost:
        break;
    }
    return "不明";
}

std::string durationText(int64_t startMs, std::optional<int64_t> endMs) {
    if (!endMs)
        return std::string();
    const int64_t ms = std::max<int64_t>(*endMs - startMs, 0);
    char text[64];
    if (ms < 10000) {
        std::snprintf(text, sizeof text, "%.1f秒", static_cast<double>(ms) / 1000.0);
    } else if (ms < 60000) {
        std::snprintf(text, sizeof text, "%lld秒", static_cast<long long>(ms / 1000));
    } else if (ms < 3600000) {
        std::snprintf(text, sizeof text, "%lld分%lld秒", static_cast<long long>(ms / 60000),
                      static_cast<long long>(ms / 1000 % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld時間%lld分", static_cast<long long>(ms / 3600000),
                      static_cast<long long>(ms / 60000 % 60));
    }
    return text;
}

std::string localTimeText(int64_t ms) {
    const std::optional<platform::LocalMoment> moment = platform::localMomentOf(ms);
    if (!moment)
        return std::string();
    const platform::LocalTime& t = moment->time;
    char text[80];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string isoLocalTime(int64_t ms) {
    const std::optional<platform::LocalMoment> moment = platform::localMomentOf(ms);
    if (!moment)
        return std::string();
    const platform::LocalTime& t = moment->time;
    const long offset = moment->utcOffsetMinutes;
    const long absOffset = offset < 0 ? -offset : offset;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld", t.year,
                  t.month, t.day, t.hour, t.minute, t.second, t.millisecond, offset < 0 ? '-' : '+',
                  absOffset / 60, absOffset % 60);
    return text;
}

} // namespace history
