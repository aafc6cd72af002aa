#include "dialogs/entry_dialog_runner.h"

#include "dialogs/task_entry_dialog.h"

#include <atomic>

namespace {
std::atomic<EntryDialogRunner*> installed{nullptr};
} // namespace

EntryDialogRunner& entryDialogRunner() {
    if (EntryDialogRunner* runner = installed.load())
        return *runner;
    static QtEntryDialogRunner dialog;
    return dialog;
}

void setEntryDialogRunner(EntryDialogRunner* replacement) {
    installed.store(replacement);
}

EntryDialogResult QtEntryDialogRunner::run(AppContext& ctx, const EntryDialogRequest& request) {
    ctx.editIndex = request.editIndex;
    CDialogTaskEntry dialog(ctx, request.owner ? request.owner : owner_);
    dialog.clearResults();
    dialog.mode = request.mode;
    dialog.record = request.record;
    EntryDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.flagResults[0].empty())
        return result;
    result.accepted = true;
    result.record = dialog.record;
    for (size_t i = 0; i < result.flags.size(); ++i)
        result.flags[i] = dialog.flagResults[i].front();
    return result;
}
