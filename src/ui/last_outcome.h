#pragma once
// The list's column "前回の結果": how each task's newest run went. Read from the history once
// when the list is first filled, then kept from every run that is over, as the window hears of
// it. Used on the window thread only.

#include "history/run_record.h"

#include <QString>
#include <map>
#include <string>

struct LastOutcomeCell {
    QString text;
    bool failed = false; // drawn in the failure colour
};

class LastOutcomes {
public:
    // The newest run of every task in the user's history; nothing when it cannot be read.
    void loadFromHistory();
    // A run that ended or failed to start; an older run never replaces a newer one.
    void note(const history::RunRecord& run);
    // The cell of the task named `task` (UTF-8); `running`: a process of the task is watched.
    LastOutcomeCell cellOf(const std::string& task, bool running) const;

private:
    std::map<std::string, history::RunRecord> runs_;
};

// "正常終了 (0)", "異常終了 (3)", "シグナル (SIGSEGV)", "強制終了", "起動失敗", "実行中",
// "不明": the history's outcome without a failed start's reason, which the history dialog tells.
QString lastOutcomeText(const history::RunRecord& run);
