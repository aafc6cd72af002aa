#include "ui/task_row_delegate.h"

#include "ui/chorelin_view.h"
#include "ui/row_colours.h"

TaskRowDelegate::TaskRowDelegate(AppContext& ctx, QObject* parent)
    : QStyledItemDelegate(parent), ctx_(ctx) {}

void TaskRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    RowColours colours;
    {
        TaskLockGuard guard(ctx_.taskLock);
        const int row = index.row();
        if (row < 0 || row >= ctx_.taskCount || static_cast<size_t>(row) >= ctx_.tasks.size())
            return;
        colours = rowColours(ctx_.tasks[static_cast<size_t>(row)], platform::localTime());
    }
    if (colours.background)
        option->backgroundBrush = QBrush(*colours.background);
    if (colours.text)
        option->palette.setColor(QPalette::Text, *colours.text);
    if (index.data(CChorelinView::kFailedOutcomeRole).toBool())
        option->palette.setColor(QPalette::Text, failedOutcomeText());
}
