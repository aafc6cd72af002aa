// How the list commands find the task of a selected row and rewrite a whole row.

#include "ui/chorelin_view.h"

#include "platform/text_codec.h"
#include "store/fields.h"

int CChorelinView::taskOfRow(int row) const {
    const int byName = taskIndexOfRow(row);
    if (byName >= 0)
        return byName;
    // A name read from an untrusted task file may be empty or hold bytes that are no cp932;
    // its row then cannot be found by name, but still shows its own record.
    TaskLockGuard guard(ctx_.taskLock);
    if (row < 0 || row >= ctx_.taskCount || static_cast<size_t>(row) >= ctx_.tasks.size())
        return -1;
    const QTableWidgetItem* cell = item(row, 0);
    const QString shown = cell ? cell->text() : QString();
    const QString own = QString::fromStdString(
        platform::cp932ToUtf8Lossy(fieldView(ctx_.tasks[static_cast<size_t>(row)].name)));
    return shown == own ? row : -1;
}

void CChorelinView::rewriteRow(int row) {
    TaskLockGuard guard(ctx_.taskLock);
    if (row < 0 || row >= rowCount() || row >= ctx_.taskCount ||
        static_cast<size_t>(row) >= ctx_.tasks.size())
        return;
    setCellText(row, 0,
                QString::fromStdString(platform::cp932ToUtf8Lossy(
                    fieldView(ctx_.tasks[static_cast<size_t>(row)].name))));
    writeRow(row);
    for (int k = 0; k < columnCount(); ++k)
        update(model()->index(row, k));
}
