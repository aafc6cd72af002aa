// Disable and enable: one procedure that sets the selected tasks to Disabled or Waiting.

#include "ui/chorelin_view.h"

#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"
#include "ui/command_support.h"

void CChorelinView::changeSelectedStates(int32_t newState) {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        showCommandMessage(Prompter::Kind::Refusal, "状態変更するタスクを指定してください。", this);
        return;
    }
    for (const int row : rows) {
        const int t = taskOfRow(row);
        if (t < 0)
            continue;
        TaskRecord& task = ctx_.tasks[static_cast<size_t>(t)];
        // The process handle decides, not the state: a task whose process runs keeps it.
        if (isRunning(task)) {
            showCommandMessage(Prompter::Kind::Refusal,
                               "実行中のため状態を変更することが出来ません。", this);
            continue;
        }
        if (task.state == StateCompleted) {
            showCommandMessage(Prompter::Kind::Refusal,
                               "タスク(" + messageText(fieldView(task.name)) +
                                   ") は完了しました。\n状態を変更することはできません。",
                               this);
            continue;
        }
        task.state = newState;
        MySetStateText(t);
        // The whole row takes the colours of its new state.
        for (int k = 0; k < columnCount(); ++k)
            update(model()->index(t, k));
    }
    MyTaskWrite(ctx_, ctx_.taskFilePath);
    MyListArrange();
}

void CChorelinView::OnListEnableFalse() {
    traceLine("CChorelinView::OnListEnableFalse() Start");
    {
        TaskLockGuard guard(ctx_.taskLock);
        changeSelectedStates(StateDisabled);
    }
    traceLine("CChorelinView::OnListEnableFalse() End");
}

void CChorelinView::OnListEnableTrue() {
    traceLine("CChorelinView::OnListEnableTrue() Start");
    {
        TaskLockGuard guard(ctx_.taskLock);
        changeSelectedStates(StateWaiting);
    }
    traceLine("CChorelinView::OnListEnableTrue() End");
}
