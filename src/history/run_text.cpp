#include "history/run_text.h"

#include <cstdio>
#include <ctime>

namespace history {
namespace {

bool localParts(int64_t ms, std::tm& parts) {
    const std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    return localtime_r(&seconds, &parts) != nullptr;
}

} // namespace

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
    std::tm t{};
    if (!localParts(ms, t))
        return std::string();
    char text[80];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string isoLocalTime(int64_t ms) {
    std::tm t{};
    if (!localParts(ms, t))
        return std::string();
    const long offset = t.tm_gmtoff / 60;
    const long absOffset = offset < 0 ? -offset : offset;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                  t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  static_cast<int>(((ms % 1000) + 1000) % 1000), offset < 0 ? '-' : '+',
                  absOffset / 60, absOffset % 60);
    return text;
}

} // namespace history
