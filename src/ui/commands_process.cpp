// Run-now and force-terminate: the commands that act on the processes of the selected tasks.

#include "ui/chorelin_view.h"

#include "engine/launch.h"
#include "engine/next_exec.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"
#include "ui/command_support.h"

#include <cstring>

namespace {

// Why run-now refuses a task, or an empty text when it may start.
std::string runRefusal(const TaskRecord& task) {
    const std::string name = messageText(fieldView(task.name));
    if (task.state == StateDisabled)
        return "指定のタスク（" + name + "）は現在無効です。\n有効にしてから実行してください。";
    if (task.state == StateNoRegisteredFile)
        return "タスク(" + name + ") の登録ファイル(" +
               messageText(fieldView(task.registeredFile)) + ") が見つかりません。";
    if (task.state == StateNoExecutable)
        return "タスク(" + name + ") の実行ファイル(" +
               messageText(fieldView(task.executableFile)) + ") が見つかりません。";
    if (isRunning(task))
        return "指定のタスク（" + name +
               "）は現在実行中です。\n同時に実行する場合は別なタスクとして追加登録してください。";
    if (task.state == StateCompleted)
        return "タスク(" + name + ") は完了しました。\nタスクの変更を行ってから実行してください。";
    return std::string();
}

} // namespace

void CChorelinView::OnListExec() {
    traceLine("CChorelinView::OnListExec() Start");
    {
        TaskLockGuard guard(ctx_.taskLock);
        const std::vector<int> rows = selectedRows();
        if (rows.empty()) {
            showCommandMessage(Prompter::Kind::Refusal, "実行するタスクを指定してください。", this);
            traceLine("CChorelinView::OnListExec() End");
            return;
        }
        for (const int row : rows) {
            const int t = taskOfRow(row);
            if (t < 0)
                continue;
            const std::string refusal = runRefusal(ctx_.tasks[static_cast<size_t>(t)]);
            if (!refusal.empty()) {
                showCommandMessage(Prompter::Kind::Refusal, refusal, this);
                continue;
            }
            // A failed start shows no message: launchResult 2 colours the row.
            MyTaskExec(ctx_, t, RunTrigger::Manual);
            MySetNextExec(ctx_, t);
            rewriteRow(t);
        }
        MyTaskWrite(ctx_, ctx_.taskFilePath);
    }
    traceLine("CChorelinView::OnListExec() End");
}

void CChorelinView::killTaskOfRow(int row) {
    const int t = taskOfRow(row);
    if (t < 0)
        return;
    TaskRecord& task = ctx_.tasks[static_cast<size_t>(t)];
    const std::string name = messageText(fieldView(task.name));
    if (!isRunning(task)) {
        showCommandMessage(Prompter::Kind::Refusal,
                           "指定のタスク（" + name + "）は実行されていません。", this);
        return;
    }
    if (!showCommandMessage(Prompter::Kind::Question,
                            name + " を強制終了します。\nよろしいですか？", this))
        return;
    tracef("タスク（%s）を強制終了します。", name.c_str());
    // The whole process group goes, so children the task started end with it; the leader is
    // reaped here when it ended at once, and the watcher no longer sees the task once its
    // handle is zero. One that is slow to end is the watcher's, like any end.
    const int result = MyTerminateTaskProcess(ctx_, t);
    if (result == TerminateNotPermitted) {
        showCommandMessage(Prompter::Kind::Refusal,
                           "指定のタスク（" + name +
                               "）は強制終了できません。\n"
                               "実行中のプログラムを終了する権限がありません。",
                           this);
        return;
    }
    MySetStateText(t);
    for (int k = 0; k < columnCount(); ++k)
        update(model()->index(t, k));
}

void CChorelinView::OnListKill() {
    traceLine("CChorelinView::OnListKill() Start");
    {
        TaskLockGuard guard(ctx_.taskLock);
        const std::vector<int> rows = selectedRows();
        if (rows.empty()) {
            showCommandMessage(Prompter::Kind::Refusal, "強制終了するタスクを指定してください。",
                               this);
            traceLine("CChorelinView::OnListKill() End");
            return;
        }
        for (const int row : rows)
            killTaskOfRow(row);
        MyTaskWrite(ctx_, ctx_.taskFilePath);
    }
    traceLine("CChorelinView::OnListKill() End");
}
