#pragma once
// How a run reads to the user: the window's history dialog, the failure notices and the
// command line share these texts (UTF-8).

#include "history/run_record.h"

#include <cstdint>
#include <optional>
#include <string>

namespace history {

// "スケジュール", "手動", "取りこぼし実行".
std::string triggerText(RunTrigger trigger);

// "正常終了 (0)", "異常終了 (3)", "シグナル (SIGSEGV)", "起動失敗: <reason>", "強制終了",
// "実行中", "不明" (the end was never seen).
std::string outcomeText(const RunRecord& run);

// "0.3秒", "42秒", "3分12秒", "2時間5分"; empty when the end is unknown.
std::string durationText(int64_t startMs, std::optional<int64_t> endMs);

// "2024/05/10 12:00:03" in local time.
std::string localTimeText(int64_t ms);

// "2024-05-10T12:00:03.125+09:00": ISO 8601, local time with its offset and milliseconds.
std::string isoLocalTime(int64_t ms);

} // namespace history
