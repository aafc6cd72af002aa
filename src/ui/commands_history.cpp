// The run-history command: opens the history of the first selected task.

#include "ui/chorelin_view.h"

#include "dialogs/history_dialog.h"
#include "store/fields.h"
#include "store/trace.h"
#include "ui/command_support.h"

#include <optional>

void CChorelinView::OnListHistory() {
    traceLine("CChorelinView::OnListHistory() Start");
    std::optional<std::string> task;
    {
        TaskLockGuard guard(ctx_.taskLock);
        const std::vector<int> rows = selectedRows();
        if (rows.empty()) {
            showCommandMessage(Prompter::Kind::Refusal, "履歴を表示するタスクを指定してください。",
                               this);
            traceLine("CChorelinView::OnListHistory() End");
            return;
        }
        if (const int t = taskOfRow(rows.front()); t >= 0)
            task = messageText(fieldView(ctx_.tasks[static_cast<size_t>(t)].name));
    }
    // The dialog reads only the history: the lock is not held while it is open.
    if (task)
        openHistoryDialog(*task, std::nullopt, window());
    traceLine("CChorelinView::OnListHistory() End");
}
