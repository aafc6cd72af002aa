#pragma once
// The words of the notices.

#include "history/run_record.h"
#include "ui/notice.h"

#include <string>
#include <vector>

// How many lines of a failed run's output a notice shows, and how long each may be.
inline constexpr int kNoticeOutputLines = 5;
inline constexpr size_t kNoticeLineBytes = 160;

// "タスク「name」: 異常終了 (3)" over the last lines of the run's output.
Notice failureNotice(const history::RunRecord& run, const std::vector<std::string>& lastLines);

// That Chorelin lives in the tray, and how to open its window.
Notice welcomeNotice();
