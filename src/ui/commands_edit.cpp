// Add, change and delete: the commands with which the user manages the task table.

#include "ui/chorelin_view.h"

#include "dialogs/entry_dialog_runner.h"
#include "engine/next_exec.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"
#include "ui/command_support.h"

#include <QMouseEvent>
#include <algorithm>
#include <cstring>

void CChorelinView::OnListAdd() {
    if (ctx_.taskCount >= ctx_.maxTaskCount) {
        showCommandMessage(Prompter::Kind::Refusal, "これ以上登録することができません。", this);
        return;
    }
    // The dialog runs without the lock: its duplicate-name check only reads names, which no
    // other thread changes.
    EntryDialogRequest request;
    request.mode = ModeAdd;
    request.editIndex = ctx_.editIndex;
    request.owner = window();
    const EntryDialogResult result = entryDialogRunner().run(ctx_, request);
    if (!result.accepted)
        return;
    {
        TaskLockGuard guard(ctx_.taskLock);
        const int index = ctx_.taskCount;
        ctx_.tasks.resize(static_cast<size_t>(index) + 1);
        TaskRecord& task = ctx_.tasks[static_cast<size_t>(index)];
        task = result.record;
        MySetNextExec(ctx_, index);
        setField(task.scheduleText, scheduleTextFromResultFlags(result.flags));
        // The row is inserted once the count holds the new task, since the row writer shows
        // only records below the count.
        ++ctx_.taskCount;
        MyInsertItem(index);
        MyTaskWrite(ctx_, ctx_.taskFilePath);
        MyListArrange();
        updateTrayTip();
    }
    OnRefresh();
}

void CChorelinView::OnListUpdate() {
    traceLine("CChorelinView::OnListUpdate() Start");
    {
        // Held across every dialog: the workers wait while the user edits a task, so the
        // record copied back over the task cannot have been changed meanwhile.
        TaskLockGuard guard(ctx_.taskLock);
        const std::vector<int> rows = selectedRows();
        if (rows.empty()) {
            showCommandMessage(Prompter::Kind::Refusal, "変更するタスクを指定してください。", this);
            traceLine("CChorelinView::OnListUpdate() End");
            return;
        }
        bool changed = false;
        for (const int row : rows) {
            const int t = taskOfRow(row);
            if (t < 0)
                continue;
            TaskRecord& task = ctx_.tasks[static_cast<size_t>(t)];
            if (isRunning(task)) {
                showCommandMessage(Prompter::Kind::Refusal,
                                   "実行中のタスクを変更することはできません。", this);
                continue;
            }
            if (task.state == StateCompleted &&
                !showCommandMessage(Prompter::Kind::Question,
                                    "指定のタスク（" + messageText(fieldView(task.name)) +
                                        "）は完了しました。\n再スケジュールしますか？",
                                    this))
                continue;

            EntryDialogRequest request;
            request.mode = ModeChange;
            request.record = task;
            request.editIndex = t;
            request.owner = window();
            const EntryDialogResult result = entryDialogRunner().run(ctx_, request);
            if (!result.accepted)
                continue;

            changed = true;
            applyConfirmedEntry(ctx_, t, result);
            rewriteRow(t);
            MyTaskWrite(ctx_, ctx_.taskFilePath);
        }
        if (changed) {
            MySetItem();
            MyListArrange();
        }
    }
    traceLine("CChorelinView::OnListUpdate() End");
}

void CChorelinView::OnLButtonDblClk(QMouseEvent* event) {
    traceLine("CChorelinView::OnLButtonDblClk() Start");
    OnListUpdate();
    traceLine("CChorelinView::OnLButtonDblClk() End");
    QTableWidget::mouseDoubleClickEvent(event);
}

void CChorelinView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonDblClk(event);
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

void CChorelinView::OnListDelete() {
    traceLine("CChorelinView::OnListDelete() Start");
    {
        TaskLockGuard guard(ctx_.taskLock);
        const std::vector<int> rows = selectedRows();
        const int n = static_cast<int>(rows.size());
        if (n > 1 && !showCommandMessage(
                         Prompter::Kind::Question,
                         std::to_string(n) + " 個のタスクを削除します。\nよろしいですか？", this)) {
            traceLine("CChorelinView::OnListDelete() End");
            return;
        }
        if (n == 0) {
            showCommandMessage(Prompter::Kind::Refusal, "削除するタスクを指定してください。", this);
            traceLine("CChorelinView::OnListDelete() End");
            return;
        }

        // Marked records stay in the table until every row has been seen, so that the rows
        // and the name lookup keep meaning the same tasks during the walk.
        const int count = std::min<int>(ctx_.taskCount, static_cast<int>(ctx_.tasks.size()));
        std::vector<bool> marked(static_cast<size_t>(count), false);
        int markedCount = 0;
        for (const int row : rows) {
            const int t = taskOfRow(row);
            if (t < 0 || marked[static_cast<size_t>(t)])
                continue;
            TaskRecord& task = ctx_.tasks[static_cast<size_t>(t)];
            if (isRunning(task)) {
                showCommandMessage(Prompter::Kind::Refusal,
                                   "実行中のタスクを削除することはできません。", this);
                continue;
            }
            if (n == 1 && !showCommandMessage(Prompter::Kind::Question,
                                              messageText(fieldView(task.name)) +
                                                  " を削除します。\nよろしいですか？",
                                              this))
                continue;
            std::memset(&task, 0xFF, sizeof task);
            marked[static_cast<size_t>(t)] = true;
            ++markedCount;
        }

        if (markedCount > 0) {
            // Survivors are chosen by the marks themselves, not by a first byte of 0xFF: a
            // record from an untrusted file may begin with that byte.
            std::vector<TaskRecord> survivors;
            survivors.reserve(static_cast<size_t>(count - markedCount));
            for (int i = 0; i < count; ++i) {
                if (!marked[static_cast<size_t>(i)])
                    survivors.push_back(ctx_.tasks[static_cast<size_t>(i)]);
            }
            // With no survivor the table is released whole ("no table").
            ctx_.tasks = std::move(survivors);
            if (ctx_.tasks.empty())
                std::vector<TaskRecord>().swap(ctx_.tasks);
            ctx_.taskCount = static_cast<int32_t>(ctx_.tasks.size());
            rebuildRows();
            MyTaskWrite(ctx_, ctx_.taskFilePath);
            MyListArrange();
        }
        updateTrayTip();
    }
    traceLine("CChorelinView::OnListDelete() End");
}
