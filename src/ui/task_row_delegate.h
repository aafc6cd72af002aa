#pragma once
// Paints list cells with the colours of their task, read under taskLock at paint time, so a row
// always shows what its record says now (and today's date as the clock says now).

#include "store/app_context.h"

#include <QStyledItemDelegate>

class TaskRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TaskRowDelegate(AppContext& ctx, QObject* parent = nullptr);

    // Public so that tests can ask what a cell would be painted with.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    AppContext& ctx_;
};
